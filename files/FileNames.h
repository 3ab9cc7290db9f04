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

// The name of the file that fileName finally refers to: symbolic links are followed, also to a
// target that does not exist yet, so that writing the name writes that target. Throws
// FileError ("Too many symbolic links") for a chain of more than 40 links or a loop.
std::string finalTarget(const std::string& fileName);

// Whether fileName leads to something that is neither a regular file nor a folder: a device, a
// FIFO or a socket, which outputs are written straight into.
bool isDevice(const std::string& fileName);

// Whether two names lead to the same file: the same file on disk (links followed) when both
// exist, otherwise the same absolute, normalised path of their final targets, so that a link
// to a file not yet written counts as that file.
bool sameFile(const std::string& a, const std::string& b);

}  // namespace tavi
