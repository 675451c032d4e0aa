// The agent client's output: whole lines in UTF-8 on standard output, from any thread.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

void PrintLine(const std::wstring& line);
// "empty", "i4:4", "bool:-1", "bstr:text" and so on.
std::wstring DescribeValue(const VARIANT& value);
// " source=<source> desc=<description>" of an exception or of the thread's error object.
std::wstring DescribeFailure(HRESULT hr, const EXCEPINFO& exception);
std::wstring HexResult(HRESULT hr);
