// The texts of the discovery plug-in's COM errors of its own (the others are the framework's,
// plugin_texts.h).
#pragma once

inline constexpr const wchar_t* kTextNdisInitialisationFailed = L"The Class Initialization failed.";
inline constexpr const wchar_t* kTextNdisInitializeFirst = L"Please, Initialize class first.";
inline constexpr const wchar_t* kTextWinsockFailed = L"WSAStartup failed.";
inline constexpr const wchar_t* kTextSnmpLibFailed = L"init_snmp_lib failed.";
inline constexpr const wchar_t* kTextSnmpStartupFailed = L"SnmpStartup failed.";
