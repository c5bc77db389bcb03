# The two commands of the README: `make run` and `make test`. Everything else
# here serves them or the developers.
BUILD ?= build
JOBS  ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: setup build run test bench package fuzz clean

setup:
	@scripts/setup.sh

build: setup
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

bench: build
	@scripts/bench.sh $(BUILD)

# libFuzzer targets with clang, address and undefined-behaviour sanitizers,
# in a build directory of their own; each runs FUZZ_SECONDS.
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 60
fuzz: setup
	@CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DLUMAREL_FUZZ=ON -DLUMAREL_SANITIZE=ON -DLUMAREL_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers
	@fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

package: build
	@cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD)
