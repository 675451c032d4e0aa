#pragma once

#define IDR_INIT_FAILS 101
#define IDR_DECLINER 102
#define IDR_RECORDER 103
#define IDR_FOREIGN 104
