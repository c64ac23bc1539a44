// A long, reproducible session through a plug-in's record: varied audio in
// host blocks of random sizes, parameter moves, a rate change and a suspend.
// Both builds of the plug-in must write the same bytes.
#pragma once

#include "tools/host/TestHost.h"

#include <cstdio>

// Writes every output sample and, after every block, the five meter readings
// as raw 32-bit floats to `out`. Returns false when the plug-in is not Brelto.
bool renderSession(TestHost& host, AEffect* effect, std::FILE* out);
