#pragma once
// A format header that reaches up into storage: the layer check must refuse it.
#include "storage/Array.h"
