// The virtual audio devices: one output that plays into a file and one input that records from
// one, at a chosen pace, for tests and headless machines.
//
//   TONWELL_AUDIO=virtual        selects them
//   TONWELL_VIRTUAL_OUT=FILE     every byte played is appended to FILE, in the device's format
//   TONWELL_VIRTUAL_IN=FILE      the input delivers the bytes of FILE (raw, in the format it was
//                                opened with), then silence
//   TONWELL_VIRTUAL_PACE=N       runs N times faster than real time (default 1)
//   TONWELL_VIRTUAL_FAIL=LIST    comma-separated faults to imitate: open, prepare (out of memory),
//                                prepare-error, pause, restart, start, caps, write=N (the N-th
//                                write of an open output is refused), queue=N (the N-th buffer
//                                added to an open input is refused), vanish (the input goes away
//                                at the end of its file instead of delivering silence)
#pragma once
#include <QString>
#include <QStringList>

namespace tonwell {

struct VirtualConfig {
    QString outFile;
    QString inFile;
    double pace = 1.0;
    QStringList faults;
    int failingWrite = 0;  // 0: none
    int failingQueue = 0;  // 0: none

    static VirtualConfig fromEnvironment();
    bool fails(const char* what) const { return faults.contains(QLatin1String(what)); }
};

}  // namespace tonwell
