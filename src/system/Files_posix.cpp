#include "system/Files.h"

std::FILE* OpenForReading(const std::string& path) { return std::fopen(path.c_str(), "rb"); }

// The file system library sees what the system sees.
MissingPath WhyMissing(const std::string&) { return {}; }
