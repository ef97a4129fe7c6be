# Thin wrapper over the CMake presets.
.PHONY: all build demo test asan clang check-tools clean

PRESET ?= default
DEMO_LISTING ?= examples/network_qq.lst
DEMO_REPORT ?= build/network_qq.rpt

all: build

check-tools:
	@command -v cmake >/dev/null || { echo "cmake is missing: apt-get install cmake"; exit 1; }
	@command -v ninja >/dev/null || { echo "ninja is missing: apt-get install ninja-build"; exit 1; }
	@command -v g++ >/dev/null || { echo "g++ is missing: apt-get install g++"; exit 1; }
	@test -f /usr/include/gtest/gtest.h || test -f /usr/local/include/gtest/gtest.h || \
		{ echo "GoogleTest is missing: apt-get install libgtest-dev"; exit 1; }

build: check-tools
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET)

demo: build
	build/$(PRESET)/vandlor2 $(DEMO_LISTING) $(DEMO_REPORT)
	@echo "Report written to $(DEMO_REPORT)"

test: build
	ctest --preset $(PRESET)

asan:
	$(MAKE) test PRESET=asan

clang:
	$(MAKE) test PRESET=clang

clean:
	rm -rf build
