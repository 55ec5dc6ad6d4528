#pragma once

// The system's headers for the Windows files, included before the program's own. The
// program calls the ANSI forms whatever the build defines (Qt's builds define UNICODE,
// which would rename PROCESSENTRY32 and Process32First), and the system's macros that
// bear the names the program declares itself are dropped.
#undef UNICODE
#undef _UNICODE
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include <windows.h>

#include <tlhelp32.h>

#undef MAX_PATH
#undef INVALID_HANDLE_VALUE
#undef TH32CS_SNAPPROCESS
#undef PROCESS_ALL_ACCESS
#undef PROCESS_TERMINATE
#undef PROCESS_QUERY_LIMITED_INFORMATION
#undef SW_SHOWNORMAL
#undef SW_SHOWMINIMIZED
#undef ERROR_ACCESS_DENIED
#undef ERROR_INVALID_PARAMETER
