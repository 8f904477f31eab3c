#pragma once
// The library is built with hidden symbols; what hosts, the Designer plugin and the tests use
// of the widget is exported by name.
#define KNOBIX_EXPORT __attribute__((visibility("default")))
