# make run   - install what is missing, build, and start Brisk against the simulated radio
# make test  - install what is missing, build, and run every test
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: all deps configure build test run bench clean format

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

run: build
	scripts/demo.sh $(BUILD)

bench: build
	scripts/bench.sh $(BUILD)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD)
