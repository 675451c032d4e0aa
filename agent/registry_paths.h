// Where the agent keeps its configuration, all under HKEY_LOCAL_MACHINE.
#pragma once

#define TOL_REG_ROOT L"SOFTWARE\\TolvaneCorp\\tolvane"
#define TOL_REG_AGENT_KEY TOL_REG_ROOT L"\\Agent"
#define TOL_REG_SETTINGS_KEY TOL_REG_ROOT L"\\Settings"
#define TOL_REG_PLUGINS_KEY TOL_REG_ROOT L"\\Plug-Ins"

// KEY_READ | KEY_WRITE
constexpr unsigned long kAgentKeyAccess = 0x2001F;
