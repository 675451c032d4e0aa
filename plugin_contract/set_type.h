// The nvType values of ITolvanePlugIn::Set.
#pragma once

enum SetType : unsigned short {
    SET_CHECK_PERIOD = 1,  // VT_I4 seconds
    SET_SOURCE_ID = 2,     // VT_I4 1-based position in the agent's plug-in list
    SET_PROXY = 3,         // VT_BSTR the agent's proxy text
    SET_RPL = 4,           // VT_EMPTY
};
