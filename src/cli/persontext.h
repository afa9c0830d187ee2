// Text for a person at a terminal: UTF-8 with LF line ends. File bytes written to standard
// output with "-" do not pass through here; they keep their Windows-1252 and CR LF.
#pragma once

#include <string>
#include <string_view>

namespace xtalsp::cli {

// The program's Windows-1252 text as UTF-8, CR LF as LF. Sequences that already are UTF-8 are
// kept as they are: a message quotes the path the user typed, and on a UTF-8 command line that
// path is UTF-8, not Windows-1252.
std::string personText(std::string_view text);

} // namespace xtalsp::cli
