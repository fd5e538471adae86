# Thin wrapper around CMake. `make run` and `make test` install what is missing first. The build
# settings (build types, sanitizer flags and environments, the Windows toolchain, test output) live
# in CMakePresets.json alone: each target calls its preset.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps deps-test deps-windows configure build run check test bench format clean package \
	package-test test-windows package-windows golden tidy format-check

all: build

# scripts/install-deps.sh groups: `build` for building and running, `test` for the tests alone,
# `windows` for the Windows cross build and Wine, which only the Windows targets ask for.
deps:
	@bash scripts/install-deps.sh build
deps-test:
	@bash scripts/install-deps.sh build test
deps-windows:
	@bash scripts/install-deps.sh windows

configure: deps
	@cmake --preset release -B $(BUILD) $(CMAKE_FLAGS) > /dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@$(BUILD)/src/app/tallo2nmea

# The quick inner loop: the release build's tests only.
check: deps-test build
	@ctest --preset release --test-dir $(BUILD) -j $(JOBS)

test: check
	@$(MAKE) --no-print-directory format-check
	@$(MAKE) --no-print-directory tidy
	@$(MAKE) --no-print-directory test-asan
	@$(MAKE) --no-print-directory fuzz-smoke
	@$(MAKE) --no-print-directory package-test PKG_BUILD=$(BUILD)
	@$(MAKE) --no-print-directory test-windows

bench: deps-test
	@cmake --preset bench -B $(BUILD)-bench > /dev/null
	@cmake --build $(BUILD)-bench -j $(JOBS) --target t2n_bench make-bench-log tallo2nmea-cli \
		t2n_geotag_bench
	@$(BUILD)-bench/bench/t2n_bench
	@$(BUILD)-bench/bench/t2n_geotag_bench
	@bash bench/time-cli.sh $(BUILD)-bench
	@cmake --build $(BUILD)-bench -j $(JOBS) --target t2n_window_bench && QT_QPA_PLATFORM=offscreen $(BUILD)-bench/bench/t2n_window_bench
	@cmake --build $(BUILD)-bench -j $(JOBS) --target t2n_tile_bench && $(BUILD)-bench/bench/t2n_tile_bench
	@cmake --build $(BUILD)-bench -j $(JOBS) --target t2n_archive_bench && $(BUILD)-bench/bench/t2n_archive_bench

# The Debian package, from a release build of its own (no tests), and its check in a scratch root.
PKG_BUILD ?= build-package
package: deps-test
	@cmake --preset package -B $(PKG_BUILD) > /dev/null
	@cmake --build $(PKG_BUILD) -j $(JOBS)
	@rm -f $(PKG_BUILD)/tallo2nmea_*.deb
	@cd $(PKG_BUILD) && cpack -G DEB

# Packs whatever release build PKG_BUILD holds (make test packs its own build, not a second one).
package-test: deps-test
	@test -f $(PKG_BUILD)/CPackConfig.cmake || $(MAKE) --no-print-directory package
	@rm -f $(PKG_BUILD)/tallo2nmea_*.deb
	@cd $(PKG_BUILD) && cpack -G DEB > /dev/null
	@bash scripts/check-package.sh $(PKG_BUILD)

# The static Qt the Windows window links: scripts/build-qt-windows.sh builds it from Debian's
# sources once (25-40 minutes on two cores) into a cache outside the clone, where the windows
# preset finds it; later runs find it built and cost nothing.
QT_WINDOWS = JOBS=$(JOBS) bash scripts/build-qt-windows.sh > /dev/null

# Both programs and every test program, cross-built for 64-bit Windows with MinGW-w64 (statically
# linked) and run under Wine: the window's tests with the offscreen platform, and the window end
# to end on a virtual display. Wine's prefix is made in the build folder before the build
# (scripts/wine-run.sh), so that listing the first test program's cases does not wait for it. Then
# the build is packed as the download is, and the zip checked.
WIN_BUILD ?= build-windows
test-windows: deps-windows
	@bash scripts/build-exiv2-windows.sh > /dev/null
	@bash scripts/build-sqlite-windows.sh > /dev/null
	@$(QT_WINDOWS)
	@cmake --preset windows -B $(WIN_BUILD) > /dev/null
	@WINEPREFIX=$(abspath $(WIN_BUILD))/wine-prefix bash scripts/wine-run.sh cmd.exe /c exit
	@cmake --build $(WIN_BUILD) -j $(JOBS)
	@ctest --preset windows --test-dir $(WIN_BUILD) -j $(JOBS)
	@rm -f $(WIN_BUILD)/tallo2nmea-*win64.zip
	@cd $(WIN_BUILD) && cpack -G ZIP > /dev/null
	@bash scripts/check-windows-package.sh $(WIN_BUILD)

# The download for Windows users: tallo2nmea-VERSION-win64.zip with both programs, their manuals,
# the licences and Qt's notices, from a release build of its own (no tests).
WIN_PKG_BUILD ?= build-windows-package
package-windows: deps-windows
	@bash scripts/build-exiv2-windows.sh > /dev/null
	@bash scripts/build-sqlite-windows.sh > /dev/null
	@$(QT_WINDOWS)
	@cmake --preset windows-package -B $(WIN_PKG_BUILD) > /dev/null
	@cmake --build $(WIN_PKG_BUILD) -j $(JOBS)
	@rm -f $(WIN_PKG_BUILD)/tallo2nmea-*win64.zip
	@cd $(WIN_PKG_BUILD) && cpack -G ZIP > /dev/null
	@bash scripts/check-windows-package.sh $(WIN_PKG_BUILD)

# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer: any report, a leak
# included, fails its test. The asan preset names the folder and holds the sanitizers' environment,
# which its build (the test programs list their cases) and its tests take.
.PHONY: test-asan fuzz-build fuzz fuzz-smoke
ASAN_BUILD = build-asan
test-asan: deps-test
	@cmake --preset asan > /dev/null
	@cmake --build --preset asan -j $(JOBS)
	@ctest --preset asan -j $(JOBS)

# libFuzzer targets, built by clang++ in a project of their own (fuzz/). `make fuzz` runs each
# for FUZZ_SECONDS; `make fuzz-smoke` (part of `make test`) for 20 s from regenerated seeds.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 180
FUZZ_SMOKE_SECONDS ?= 20
fuzz-build: deps-test
	@cmake -S fuzz --preset fuzz -B $(FUZZ_BUILD) > /dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)
fuzz: fuzz-build
	@bash fuzz/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)
fuzz-smoke: fuzz-build
	@bash fuzz/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SMOKE_SECONDS) smoke

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Fails on any C++ file that `make format` would change.
format-check: deps-test
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

# clang-tidy with .clang-tidy over every source of src/ and tests/, from the release build's
# compile commands; any finding fails.
tidy: deps-test build
	@run-clang-tidy -p $(BUILD) -quiet -j $(JOBS) '^$(CURDIR)/(src|tests)/' > $(BUILD)/tidy.log 2>&1 || \
		{ grep -E 'warning:|error:' $(BUILD)/tidy.log | sort -u; exit 1; }

# Writes the golden files of tests/data again from the generators in tests/: the golden logs and
# their outputs, and the window's controls. Review the difference before committing it.
golden: deps-test build
	@$(BUILD)/tests/support/t2n_make_golden tests/data
	@QT_QPA_PLATFORM=offscreen $(BUILD)/tests/app/t2n_make_window_golden \
		tests/data/window-controls.txt 2>/dev/null
	@git status --short tests/data

clean:
	@rm -rf $(BUILD) $(BUILD)-bench $(PKG_BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(WIN_BUILD) \
		$(WIN_PKG_BUILD)
