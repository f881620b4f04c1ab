# make run   - install what is missing, build, and start Brisk against the simulated radio
# make test  - install what is missing, build, and run every test
# make package - the Debian package (program folder /opt/brisk-hx7730)
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: all deps configure build test test-sanitize fuzz fuzz-diff run bench clean format package translations \
        windows test-windows bench-windows

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j$(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)
	@scripts/test-ratio.sh

# The whole suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	cmake -S . -B $(BUILD)-sanitize -DCMAKE_BUILD_TYPE=Debug -DBRISK_SANITIZE=ON
	cmake --build $(BUILD)-sanitize -j$(JOBS)
	cd $(BUILD)-sanitize && \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j$(JOBS)

# Runs every fuzz target for FUZZ_SECONDS each (clang's libFuzzer).
FUZZ_SECONDS ?= 60
fuzz: deps
	scripts/install-deps.sh clang libclang-rt-14-dev
	CC=clang CXX=clang++ cmake -S . -B $(BUILD)-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRISK_FUZZ=ON -DBUILD_TESTING=OFF
	cmake --build $(BUILD)-fuzz -j$(JOBS) --target fuzz_targets
	scripts/fuzz.sh $(BUILD)-fuzz $(FUZZ_SECONDS)

# Generated firmware files read by Brisk and by srec_cat for FUZZ_SECONDS.
fuzz-diff: build
	$(BUILD)/bin/srecord_diff --seconds $(FUZZ_SECONDS)

run: build
	scripts/demo.sh $(BUILD)

# The Debian package, $(BUILD)/brisk-hx7730_VERSION_ARCH.deb.
package: build
	cd $(BUILD) && cpack -G DEB

bench: build
	scripts/bench.sh $(BUILD)

# The Windows programs cross-built with MinGW-w64 (Qt built once into the user's cache):
# build-win/brisk-hx7730-VERSION-win64.zip and ...-setup.exe.
windows:
	scripts/windows/build.sh build-win

# The Windows build under Wine against the simulated radio of the Linux build.
test-windows: build
	scripts/windows/test.sh $(BUILD) build-win

# A settings read and a firmware write by brisk.exe under Wine at 9600 baud, against the line's bound.
bench-windows: build
	scripts/windows/bench.sh $(BUILD) build-win

# Adds new texts of the sources to the Japanese translations (then translate them).
translations: deps
	/usr/lib/qt6/bin/lupdate -no-obsolete -locations none -target-language ja_JP src -ts src/app/brisk_ja.ts

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD)
