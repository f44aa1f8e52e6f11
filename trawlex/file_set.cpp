#include "file_set.h"

int32_t processWildcard(const std::string&, const std::string&, const std::string&) { return 0; }
