#include "ansi_strings.h"
