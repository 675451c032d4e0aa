// The event interface of a page element (HTMLElementEvents, a dispatch interface whose events
// carry no arguments) and the dispatch ids of its events (mshtmdid.h).
#pragma once

#include <windows.h>
#include <mshtmdid.h>

inline constexpr IID kHtmlElementEventsIid = {
    0x3050f33c, 0x98b5, 0x11cf, {0xbb, 0x82, 0x00, 0xaa, 0x00, 0xbd, 0xce, 0x0b}};
