# Two commands do everything on a fresh machine: `make test` and `make demo`.
#
# build/i686 holds the 32-bit deliverables. The tests run on the architecture that this
# machine's Wine can run (tools/test_arch.sh): the same i686 build, or else build/x86_64.
JOBS      ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release
BUILD_ROOT ?= build
CTEST_ARGS ?=
TEST_ARCH := $(shell tools/test_arch.sh)
PRODUCT   := $(BUILD_ROOT)/i686
TESTBED   := $(BUILD_ROOT)/$(TEST_ARCH)

.PHONY: all deps build testbed test demo bench clean

all: build

deps:
	@tools/install_deps.sh

$(BUILD_ROOT)/%/CMakeCache.txt:
	cmake -S . -B $(BUILD_ROOT)/$* -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw.cmake -DTOL_ARCH=$* $(CMAKE_FLAGS)

build: deps $(PRODUCT)/CMakeCache.txt
	cmake --build $(PRODUCT) -j $(JOBS)
	tools/check_binaries.sh $(PRODUCT)/bin

testbed: build $(TESTBED)/CMakeCache.txt
	cmake --build $(TESTBED) -j $(JOBS)

test: testbed
	tools/wine_session.sh $(TESTBED) $(TEST_ARCH) ctest --test-dir $(TESTBED) --output-on-failure -j $(JOBS) $(CTEST_ARGS)

demo: testbed
	tools/wine_session.sh $(TESTBED) $(TEST_ARCH) /usr/bin/python3 tools/demo.py $(TESTBED)

bench: testbed
	tools/wine_session.sh $(TESTBED) $(TEST_ARCH) /usr/bin/python3 tools/bench.py $(TESTBED)

clean:
	rm -rf $(BUILD_ROOT)
