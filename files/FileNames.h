// The parts of a file name that the program derives other names from.
#pragma once

#include <string>

namespace tavi {

// The name without its directory: everything after the last "/".
std::string fileNamePartOf(const std::string& path);

// The directory with its final "/", or empty for a name without one.
std::string directoryPartOf(const std::string& path);

// The characters before the first ".", or the whole name when it holds none: "a.b.dat" gives
// "a", "params" gives "params", ".hidden" gives "".
std::string baseNameOf(const std::string& fileNamePart);

// The name of the file beside this one with its base name and another extension (given with
// its dot): "dir/a.b.dat" with ".out" gives "dir/a.out".
std::string withExtension(const std::string& path, const std::string& extension);

// Whether two names lead to the same file: for existing files, the same file on disk (links
// followed); otherwise the same absolute, normalised path.
bool sameFile(const std::string& a, const std::string& b);

}  // namespace tavi
