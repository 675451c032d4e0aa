// The test plug-in's result record: type 99, test id, location id, pass number, pass kind.
#pragma once

#include "com_bstr.h"

constexpr unsigned int kTestResultType = 99;

bool BuildTestRecord(int tid, int lid, unsigned int pass, const char* kind, CComBSTR* bytes);
