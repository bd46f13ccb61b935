#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <string_view>

// A QCoreApplication for the whole run: Qt's file and text code expects one.
void start_qt();

// A folder of this process, removed at exit, ending with '/'.
const QString& scratch_folder();

// Writes bytes to a file of the scratch folder and returns its path.
QString write_scratch_file(const QString& name, std::string_view bytes);

// Reports a broken property with the text that showed it, then aborts so that libFuzzer keeps the input.
[[noreturn]] void fuzz_fail(const char* what, std::string_view detail = {});

inline std::string_view as_text(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}
