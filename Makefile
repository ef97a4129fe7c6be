# Thin wrapper over the CMake presets.
.PHONY: all build demo test asan clang check-compiler check-tools check-test-tools clean
.PHONY: install mingw windows-test deb lint-deb zip check-mingw
.PHONY: fuzz coverage bench mutate reproducible-check

PRESET ?= default
DEMO_LISTING ?= examples/network_qq.lst
DEMO_REPORT ?= build/network_qq.rpt
INSTALL_PREFIX ?= /usr/local
FUZZ_SECONDS ?= 60
# Installs the Debian packages of the groups named, if missing (apt-get as root or through
# sudo -n; otherwise it prints the apt-get command to run and fails). INSTALL_DEPS=no only
# checks. The checks after it still name what is missing where apt-get is not there.
DEPS = tools/install-deps.sh

all: build

check-compiler:
	@$(DEPS) build
	@command -v cmake >/dev/null || { echo "cmake is missing: apt-get install cmake"; exit 1; }
	@command -v ninja >/dev/null || { echo "ninja is missing: apt-get install ninja-build"; exit 1; }
	@command -v g++ >/dev/null || { echo "g++ is missing: apt-get install g++"; exit 1; }

check-tools: check-compiler
	@$(DEPS) test
	@test -f /usr/include/gtest/gtest.h || test -f /usr/local/include/gtest/gtest.h || \
		{ echo "GoogleTest is missing: apt-get install libgtest-dev"; exit 1; }

build: check-tools
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET)

# The tool alone (preset release): no test framework needed.
demo: check-compiler
	cmake --preset release
	cmake --build --preset release --target vandlor2
	build/release/vandlor2 $(DEMO_LISTING) $(DEMO_REPORT)
	@echo "Report written to $(DEMO_REPORT)"

check-test-tools:
	@$(DEPS) test
	@command -v faketime >/dev/null || { echo "faketime is missing: apt-get install faketime"; exit 1; }
	@command -v mandoc >/dev/null || { echo "mandoc is missing: apt-get install mandoc"; exit 1; }
	@command -v strace >/dev/null || { echo "strace is missing: apt-get install strace"; exit 1; }

# Then every test name must be short, readable and the same at a second discovery.
test: check-test-tools build
	ctest --preset $(PRESET)
	cmake -DBUILD_DIR=build/$(PRESET) -P cmake/check-test-names.cmake

asan:
	$(MAKE) test PRESET=asan

clang:
	$(MAKE) test PRESET=clang

# Runs each libFuzzer target for FUZZ_SECONDS (preset fuzz, clang++); see tools/fuzz.sh.
fuzz:
	@$(DEPS) fuzz
	tools/fuzz.sh $(FUZZ_SECONDS)

# Line and branch coverage of the tool's own code by the whole suite (preset coverage, gcovr).
coverage: check-tools
	@$(DEPS) coverage
	tools/coverage.sh

# Mutation testing of the tool's own code, a sample of 50 mutants unless MUTATE_ARGS says
# otherwise, e.g. MUTATE_ARGS="--full --files report/field_format.cpp"; see tools/mutate.py.
mutate: check-tools check-test-tools
	tools/mutate.py $(MUTATE_ARGS)

# Timings against plain I/O of the same bytes (`dd`), CPU time, throughput and peak memory on
# generated listings of both layouts (BENCH_SIZES, default 64M 256M 1G) and on small ones;
# BENCH_BASELINE=<git revision> adds that revision's tool for comparison. Not a test; see
# bench/run.sh.
bench: check-tools
	BENCH_BASELINE=$(BENCH_BASELINE) bench/run.sh $(BENCH_SIZES)

# Installs the tool and its manual page (GNU layout) under INSTALL_PREFIX.
install: check-compiler
	cmake --preset release
	cmake --build --preset release
	cmake --install build/release --prefix $(INSTALL_PREFIX)

# Windows: cross build with mingw-w64, checked under wine against the Linux build.
check-mingw: check-compiler
	@$(DEPS) mingw
	@command -v x86_64-w64-mingw32-g++-posix >/dev/null || \
		{ echo "mingw-w64 g++ (posix threads) is missing: apt-get install g++-mingw-w64-x86-64-posix"; exit 1; }
	@command -v mandoc >/dev/null || { echo "mandoc is missing: apt-get install mandoc"; exit 1; }

mingw: check-mingw
	cmake --preset mingw
	cmake --build --preset mingw

windows-test: mingw
	@$(DEPS) wine
	@command -v wine >/dev/null || { echo "wine is missing: apt-get install wine wine64"; exit 1; }
	$(MAKE) build PRESET=default
	cmake --build build/default --target make_listing
	cmake -DLINUX_EXE=build/default/vandlor2 -DWINDOWS_EXE=build/mingw/vandlor2.exe \
		-DMAKE_LISTING=build/default/make_listing \
		-DSOURCE_DIR=. -DWORK_DIR=build/mingw/windows-test -P cmake/check-windows.cmake

# Packages in build/packages: a .deb from the Linux build with the distribution's flags
# (preset deb), a .zip from the Windows build.
deb: check-compiler
	@$(DEPS) deb
	@command -v dpkg-shlibdeps >/dev/null || \
		{ echo "dpkg-shlibdeps is missing: apt-get install dpkg-dev"; exit 1; }
	@command -v file >/dev/null || { echo "file is missing: apt-get install file"; exit 1; }
	cmake --preset deb
	cmake --build --preset deb
	rm -f build/packages/vandlor2_*.deb
	cpack --preset deb
	for package in build/packages/vandlor2_*.deb; do \
		dpkg-deb -c $$package && cmake -DPACKAGE=$$package -DSOURCE_DIR=. \
			-P cmake/check-packages.cmake || exit 1; done

# The .deb under Debian's package checker: any error or warning fails.
lint-deb: deb
	@$(DEPS) lint
	@command -v lintian >/dev/null || { echo "lintian is missing: apt-get install lintian"; exit 1; }
	lintian --display-info --fail-on error,warning build/packages/vandlor2_*.deb

zip: mingw
	@$(DEPS) zip
	@command -v strip-nondeterminism >/dev/null || \
		{ echo "strip-nondeterminism is missing: apt-get install strip-nondeterminism"; exit 1; }
	rm -f build/packages/vandlor2-*.zip
	cpack --preset zip
	for package in build/packages/vandlor2-*.zip; do \
		cmake -E tar tvf $$package && cmake -DPACKAGE=$$package -DSOURCE_DIR=. \
			-P cmake/check-packages.cmake || exit 1; done

# Builds the committed HEAD twice, in two fresh clones at different paths, under different
# clocks (faketime) and umasks, and fails unless the Linux binary, vandlor2.exe, the .deb and
# the .zip are the same byte for byte; see tools/reproducible-check.sh.
reproducible-check: check-compiler
	@$(DEPS) reproducible
	tools/reproducible-check.sh

clean:
	rm -rf build
