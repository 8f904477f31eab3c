// The virtual audio device: plays into a file at a chosen pace, for tests and headless machines.
//
//   TONWELL_AUDIO=virtual        selects it
//   TONWELL_VIRTUAL_OUT=FILE     every byte played is appended to FILE, in the device's format
//   TONWELL_VIRTUAL_IN=FILE      what recording reads from
//   TONWELL_VIRTUAL_PACE=N       runs N times faster than real time (default 1)
//   TONWELL_VIRTUAL_FAIL=LIST    comma-separated faults to imitate: open, prepare, pause, restart,
//                                caps, write=N (the N-th write of an open device is refused)
#pragma once
#include <QString>
#include <QStringList>

namespace tonwell {

struct VirtualConfig {
    QString outFile;
    QString inFile;
    double pace = 1.0;
    QStringList faults;
    int failingWrite = 0; // 0: none

    static VirtualConfig fromEnvironment();
    bool fails(const char* what) const { return faults.contains(QLatin1String(what)); }
};

} // namespace tonwell
