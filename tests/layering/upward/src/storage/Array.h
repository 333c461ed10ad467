#pragma once
// A storage header that includes format, as it may.
#include "format/Record.h"
