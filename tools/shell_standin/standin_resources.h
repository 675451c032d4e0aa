#pragma once

#define IDR_STANDIN_SHELL 101
