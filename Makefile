# Thin wrapper over the CMake presets.
.PHONY: all build demo test asan clang check-tools check-test-tools clean
.PHONY: install mingw windows-test deb zip check-mingw
.PHONY: fuzz coverage bench mutate

PRESET ?= default
DEMO_LISTING ?= examples/network_qq.lst
DEMO_REPORT ?= build/network_qq.rpt
INSTALL_PREFIX ?= /usr/local
FUZZ_SECONDS ?= 60

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

check-test-tools:
	@command -v faketime >/dev/null || { echo "faketime is missing: apt-get install faketime"; exit 1; }
	@command -v mandoc >/dev/null || { echo "mandoc is missing: apt-get install mandoc"; exit 1; }

test: check-test-tools build
	ctest --preset $(PRESET)

asan:
	$(MAKE) test PRESET=asan

clang:
	$(MAKE) test PRESET=clang

# Runs each libFuzzer target for FUZZ_SECONDS (preset fuzz, clang++); see tools/fuzz.sh.
fuzz:
	tools/fuzz.sh $(FUZZ_SECONDS)

# Line and branch coverage of the tool's own code by the whole suite (preset coverage, gcovr).
coverage: check-tools
	tools/coverage.sh

# Mutation testing of the tool's own code, a sample of 50 mutants unless MUTATE_ARGS says
# otherwise, e.g. MUTATE_ARGS="--full --files report/field_format.cpp"; see tools/mutate.py.
mutate: check-tools check-test-tools
	tools/mutate.py $(MUTATE_ARGS)

# Throughput and peak memory on generated 256 MiB and 1 GiB listings of both layouts; not a test.
bench: check-tools
	bench/run.sh $(BENCH_SIZES)

# Installs the tool and its manual page (GNU layout) under INSTALL_PREFIX.
install:
	$(MAKE) build PRESET=default
	cmake --install build/default --prefix $(INSTALL_PREFIX)

# Windows: cross build with mingw-w64, checked under wine against the Linux build.
check-mingw:
	@command -v x86_64-w64-mingw32-g++ >/dev/null || \
		{ echo "mingw-w64 g++ is missing: apt-get install g++-mingw-w64-x86-64-win32"; exit 1; }
	@command -v mandoc >/dev/null || { echo "mandoc is missing: apt-get install mandoc"; exit 1; }

mingw: check-mingw
	cmake --preset mingw
	cmake --build --preset mingw

windows-test: mingw
	@command -v wine >/dev/null || { echo "wine is missing: apt-get install wine wine64"; exit 1; }
	$(MAKE) build PRESET=default
	cmake -DLINUX_EXE=build/default/vandlor2 -DWINDOWS_EXE=build/mingw/vandlor2.exe \
		-DSOURCE_DIR=. -DWORK_DIR=build/mingw/windows-test -P cmake/check-windows.cmake

# Packages in build/packages: a .deb from the Linux build, a .zip from the Windows build.
deb:
	@command -v dpkg-shlibdeps >/dev/null || \
		{ echo "dpkg-shlibdeps is missing: apt-get install dpkg-dev"; exit 1; }
	@command -v file >/dev/null || { echo "file is missing: apt-get install file"; exit 1; }
	$(MAKE) build PRESET=default
	rm -f build/packages/vandlor2_*.deb
	cpack --preset deb
	for package in build/packages/vandlor2_*.deb; do \
		dpkg-deb -c $$package && cmake -DPACKAGE=$$package -DSOURCE_DIR=. \
			-P cmake/check-packages.cmake || exit 1; done

zip: mingw
	rm -f build/packages/vandlor2-*.zip
	cpack --preset zip
	for package in build/packages/vandlor2-*.zip; do \
		cmake -E tar tvf $$package && cmake -DPACKAGE=$$package -DSOURCE_DIR=. \
			-P cmake/check-packages.cmake || exit 1; done

clean:
	rm -rf build
