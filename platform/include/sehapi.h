// Structured-exception substitute: being written.
#pragma once
#include "windef.h"
