#include "Diagnostics.h"

#include <iostream>

namespace velmora::core {
namespace {

DiagnosticSink& sink() {
    static DiagnosticSink current;
    return current;
}

}  // namespace

void setDiagnosticSink(DiagnosticSink newSink) { sink() = std::move(newSink); }

void diagnostic(const std::string& text) {
    if (sink())
        sink()(text);
    else
        std::cerr << "velmoraapp: " << text << '\n';
}

}  // namespace velmora::core
