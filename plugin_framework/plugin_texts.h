// The texts of the COM plug-in object's errors, as the agent and the server's staff see them.
#pragma once

inline constexpr const wchar_t* kTextAlreadyInitialised = L"The Class already initialised.";
inline constexpr const wchar_t* kTextNoAuthentication =
    L"The string authentication is not specified.";
inline constexpr const wchar_t* kTextInitialisationFailed = L"The Class Initializsation failed.";
inline constexpr const wchar_t* kTextInitializeFirst = L"Please, Initialize the class first.";
inline constexpr const wchar_t* kTextNewValueNotString = L"New Value must be a string.";
inline constexpr const wchar_t* kTextNewValueZeroLength = L"New Value is zero length.";
