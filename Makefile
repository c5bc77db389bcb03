# The two commands of the README: `make run` and `make test`. Everything else
# here serves them or the developers.
BUILD ?= build
# Bounded by the machine's cores: an unbounded -j can run it out of memory.
JOBS  ?= $(shell nproc)
# Every build directory is configured with these; CI also turns warnings into
# errors, so a warning never lands.
WERROR ?= $(if $(CI),ON,OFF)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMAREL_WERROR=$(WERROR)
CONFIGURE = cmake -S . -B

.PHONY: setup build compile run test test-asan bench package package-check fuzz clean

# Everything every step below needs.
setup:
	@scripts/setup.sh

build:
	@scripts/setup.sh build
	@$(MAKE) --no-print-directory compile

compile:
	@$(CONFIGURE) $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run:
	@scripts/setup.sh build run
	@$(MAKE) --no-print-directory compile
	@scripts/run.sh $(BUILD)

# Every test, then every test again built with AddressSanitizer and
# UndefinedBehaviorSanitizer, then each fuzz target for a bounded time, then
# the Debian package, built and checked with lintian.
test: setup
	@$(MAKE) --no-print-directory compile
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory test-asan
	@$(MAKE) --no-print-directory fuzz FUZZ_SECONDS=$(TEST_FUZZ_SECONDS)
	@$(MAKE) --no-print-directory package-check

# The sanitizer build stops at the first report of either sanitizer. Leaks
# that Qt, fontconfig and GStreamer leave at exit are listed, narrowly, in
# tests/stress/lsan.supp. It builds no benchmarks: nothing here runs them, and
# figures taken under the sanitizers would mean nothing.
ASAN_BUILD ?= build-asan
TEST_FUZZ_SECONDS ?= 60
SANITIZER_ENV = ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/stress/lsan.supp:print_suppressions=0
test-asan: setup
	@$(CONFIGURE) $(ASAN_BUILD) $(CMAKE_FLAGS) -DLUMAREL_SANITIZE=ON -DLUMAREL_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@$(SANITIZER_ENV) ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

bench: setup
	@$(MAKE) --no-print-directory compile
	@scripts/bench.sh $(BUILD)

# libFuzzer targets with clang, address and undefined-behaviour sanitizers,
# in a build directory of their own; each runs FUZZ_SECONDS.
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 60
fuzz: setup
	@CXX=clang++ $(CONFIGURE) $(FUZZ_BUILD) $(CMAKE_FLAGS) \
		-DLUMAREL_FUZZ=ON -DLUMAREL_SANITIZE=ON -DLUMAREL_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers
	@fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The Debian package from debian/, in a build directory of its own
# (PACKAGE_OUT), with only what building it needs installed.
PACKAGE_OUT ?= build-package
package:
	@scripts/setup.sh package
	@scripts/package.sh $(PACKAGE_OUT) $(JOBS)

package-check: package
	@scripts/check-package.sh $(PACKAGE_OUT)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(PACKAGE_OUT)
