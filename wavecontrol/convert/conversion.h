// One conversion of a wave file into another format, through two codec-manager streams: source
// -> intermediate PCM -> target. Independent of the control, so that tests, the fuzz target and
// the benchmark run it directly; the control runs it on its worker thread.
#pragma once
#include <QString>
#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

namespace tonwell {

// The worker's result: kConversionOk, or the step code that failed (ConvertError's ErrNumber).
constexpr int kConversionOk = 99;
// Stopped on request (the control is going away); reported to no one.
constexpr int kConversionStopped = -1;

struct ConversionJob {
    QString input, output;
    // The target format buffer (the record at its start; channel count 911 when not set).
    std::vector<std::uint8_t> target;
    std::size_t maxFormatSize = 18;
    // With `source` set the source is read from these bytes instead of the file `input`.
    std::span<const std::uint8_t> source;
    bool fromMemory = false;
    const std::atomic<bool>* stop = nullptr;
};

int runConversion(const ConversionJob& job);

// ErrDescription for a step code ("Unknown conversion error" for codes without a text).
QString conversionErrorText(int code);

}  // namespace tonwell
