# Thin wrapper around CMake. `make run` and `make test` install what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test bench format clean package package-test

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) > /dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@$(BUILD)/src/app/tallo2nmea

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory package-test PKG_BUILD=$(BUILD)

bench: deps
	@cmake -S . -B $(BUILD)-bench -DCMAKE_BUILD_TYPE=Release -DT2N_BUILD_BENCH=ON -DT2N_BUILD_TESTS=ON > /dev/null
	@cmake --build $(BUILD)-bench -j $(JOBS) --target t2n_bench
	@$(BUILD)-bench/bench/t2n_bench

# The Debian package, from a release build of its own (no tests), and its check in a scratch root.
PKG_BUILD ?= build-package
package: deps
	@cmake -S . -B $(PKG_BUILD) -DCMAKE_BUILD_TYPE=Release -DT2N_BUILD_TESTS=OFF > /dev/null
	@cmake --build $(PKG_BUILD) -j $(JOBS)
	@rm -f $(PKG_BUILD)/tallo2nmea_*.deb
	@cd $(PKG_BUILD) && cpack -G DEB

# Packs whatever release build PKG_BUILD holds (make test packs its own build, not a second one).
package-test:
	@test -f $(PKG_BUILD)/CPackConfig.cmake || $(MAKE) --no-print-directory package
	@rm -f $(PKG_BUILD)/tallo2nmea_*.deb
	@cd $(PKG_BUILD) && cpack -G DEB > /dev/null
	@bash scripts/check-package.sh $(PKG_BUILD)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD) $(BUILD)-bench $(PKG_BUILD)
