# Two commands do everything on a fresh machine: `make test` and `make demo`.
#
# build/i686 holds the 32-bit deliverables. The tests run on the architecture that this
# machine's Wine can run (tools/test_arch.sh, asked only once the packages are installed):
# the same i686 build, or else build/x86_64.
JOBS      ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release
BUILD_ROOT ?= build
CTEST_ARGS ?=
PRODUCT   := $(BUILD_ROOT)/i686
# In a recipe: the test bed's architecture and build folder.
ARCH      = arch=$$(tools/test_arch.sh) && bed=$(BUILD_ROOT)/$$arch

.PHONY: all deps build testbed test demo bench fuzz format-check clean

all: build

deps:
	@tools/install_deps.sh

$(BUILD_ROOT)/%/CMakeCache.txt:
	cmake -S . -B $(BUILD_ROOT)/$* -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw.cmake -DTOL_ARCH=$* $(CMAKE_FLAGS)

build: deps $(PRODUCT)/CMakeCache.txt
	cmake --build $(PRODUCT) -j $(JOBS)
	tools/check_binaries.sh $(PRODUCT)/bin

testbed: build
	@$(ARCH) && $(MAKE) --no-print-directory $$bed/CMakeCache.txt && cmake --build $$bed -j $(JOBS)

test: testbed
	$(ARCH) && tools/wine_session.sh $$bed $$arch ctest --test-dir $$bed --output-on-failure -j $(JOBS) $(CTEST_ARGS)

demo: testbed
	$(ARCH) && TOL_PREFIX_NAME=demoprefix tools/wine_session.sh $$bed $$arch /usr/bin/python3 tools/demo.py $$bed

bench: testbed
	$(ARCH) && tools/wine_session.sh $$bed $$arch /usr/bin/python3 tools/bench.py $$bed

# libFuzzer targets of the parsers, built natively; FUZZ_RUNS inputs each (default 10^6).
fuzz: deps
	tools/fuzz.sh

# Every C and C++ file as clang-format writes it (tools/check_format.sh --fix rewrites them).
format-check: deps
	tools/check_format.sh

clean:
	rm -rf $(BUILD_ROOT)
