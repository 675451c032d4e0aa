// FireNewData: the OnNewData event of _ITolvanePlugInEvents (DISPID 1: srcID, newDesc) to every
// sink advised on a plug-in's connection point, on the calling thread.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "connection_point.h"

// srcID is a VARIANT of `sourceType` (VT_UI4 for new data, VT_I4 for a log line) holding
// `source`; newDesc is `text` widened with the thread's ANSI code page.
HRESULT FireNewData(const CConnectionPoint& point, VARTYPE sourceType, LONG source,
                    const char* text);
