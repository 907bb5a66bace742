// Placeholder: being written.
#pragma once
#include "windef.h"
