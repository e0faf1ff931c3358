#pragma once

#include <cstddef>
#include <cstdint>

#include <QString>

// The picture decoders read files, as the program does: each input is written to one
// file of the given name in a folder of this process's own, removed at exit.
QString writeFuzzFile(const char* name, const uint8_t* data, size_t size);

// Aborts, which libFuzzer reports as a finding, when `condition` is false.
void check(bool condition);
