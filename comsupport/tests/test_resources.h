#pragma once

#define IDR_TEST_CALC 201
#define IDR_TEST_SINGLETON 202
