// The agent's event sink on a plug-in's _ITolvanePlugInEvents: OnNewData goes to the engine.
//
// Reference counted: a plug-in that holds the sink (from Advise until it lets go) keeps it
// alive, and once the agent has unadvised it the sink no longer reaches the engine, so an
// event fired late by a plug-in thread lands nowhere.
#pragma once

#include <windows.h>
#include <oaidl.h>

class CMainWorker;

class CPlugInSink;

// A new sink for the engine with one reference held by the caller; null on failure.
CPlugInSink* CreatePlugInSink(CMainWorker* owner);
// Advises the sink on the plug-in's connection point for _ITolvanePlugInEvents.
HRESULT AdvisePlugInSink(CPlugInSink* sink, IUnknown* plugIn);
// Unadvises it (when advised) and cuts it off from the engine.
void UnadvisePlugInSink(CPlugInSink* sink, IUnknown* plugIn);
// The advise cookie, 0xFEFEFEFE while not advised.
DWORD PlugInSinkCookie(CPlugInSink* sink);
// Drops the caller's reference.
void ReleasePlugInSink(CPlugInSink* sink);

constexpr DWORD kSinkNotAdvised = 0xFEFEFEFE;
