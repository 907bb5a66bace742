// The Windows platform calls the system makes, as offered by this platform's substitute layer.
#pragma once

#include "windef.h"
#include "winerror.h"
#include "errhandlingapi.h"
#include "fileapi.h"
#include "stringapiset.h"
#include "formatmessage.h"
#include "winreg.h"
#include "eventlog.h"
#include "sehapi.h"
#include "libloaderapi.h"
#include "debugapi.h"
