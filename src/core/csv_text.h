// Lines of comma-separated files as spreadsheets read them (RFC 4180).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zephyra {

// The field as written: quoted, with inner quotes doubled, when it holds a comma, a quote or a line break.
std::string CsvField(std::string_view text);
// The fields joined by commas, ended by CR LF.
std::string CsvLine(const std::vector<std::string> &fields);

} // namespace zephyra
