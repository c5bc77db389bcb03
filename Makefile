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

package: build
	@cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD)
