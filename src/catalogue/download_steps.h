#pragma once

#include <functional>

// Told as each step of a start-up download ends: "resposta" (the reply parsed and its key checked),
// "cache" (the cache files written), "leitura" (read back), "carga" (the tables loaded). A benchmark
// times the real path with it; the program passes nothing.
using StepDone = std::function<void(const char* step)>;
