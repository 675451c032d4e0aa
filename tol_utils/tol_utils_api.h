// Export and import of tol_utils' classes and functions.
//
// tol_utils.dll is built with TOL_UTILS_EXPORTS defined; every plug-in that includes these
// headers imports from it. Exported classes keep their layout fixed: it crosses the DLL edge.
#pragma once

#if defined(TOL_UTILS_EXPORTS)
#define TOL_UTILS_API __declspec(dllexport)
#else
#define TOL_UTILS_API __declspec(dllimport)
#endif
