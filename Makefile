# The two commands of the README, `make run` and `make test`, and a few more for developers.
# Each first installs whatever Debian packages are missing.

BUILD_DIR := build
ASAN_DIR := build-asan
FUZZ_DIR := build-fuzz
FUZZ_TARGETS := parameter-reader calculation-run text-to-real three-level-reader
FUZZ_SECONDS ?= 60
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local
YARDSTICK_FILES := /dev/shm/tavi-bench.dat /dev/shm/tavi-numpy.out /dev/shm/tavi-numpy.cov

.PHONY: all deps build build-asan test test-release test-asan run install package bench fuzz lint \
	clean

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD_DIR)

# Starts the windowed program; without a display it says how to run it anyway.
run: build
	@$(BUILD_DIR)/tavi

# Installs the program under PREFIX (DESTDIR, when set, is put before it, as packagers expect).
install: build
	@cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# The Debian package $(BUILD_DIR)/tavi_<version>_amd64.deb.
package: build
	@cmake --build $(BUILD_DIR) --target package

# Every test, then every test again with AddressSanitizer and UndefinedBehaviorSanitizer, whose
# first report fails the run.
test: test-release test-asan

test-release: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# The sanitized build uses clang, the release build g++: two compilers' warnings, clang's
# stricter sanitizers, and a build in about two thirds of the time. -O1, which the sanitizers
# advise for a reasonable speed, keeps the assertions of a debug build; line tables are all that
# their reports need.
build-asan: deps
	@cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAVI_SANITIZE=ON \
		-DCMAKE_CXX_COMPILER=clang++ "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -gline-tables-only" >/dev/null
	@cmake --build $(ASAN_DIR)

test-asan: build-asan
	@ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --test-dir $(ASAN_DIR) --output-on-failure -j $(JOBS)

# Formatting, clang-tidy and the direction of the includes between the layers.
lint: build
	@scripts/lint $(BUILD_DIR)

# The benchmarks, then the whole run's yardstick: the same sweep in a plain numpy script, with
# its BLAS on one thread and on every core (tavi-bench leaves the sweep's parameter file).
bench: build
	@cmake --build $(BUILD_DIR) --target tavi-bench tavi-memory-bench
	@OPENBLAS_NUM_THREADS=1 $(BUILD_DIR)/bench/tavi-bench
	@$(BUILD_DIR)/bench/tavi-memory-bench
	@echo "numpy yardstick, BLAS on one thread: $$(OPENBLAS_NUM_THREADS=1 \
		bench/numpy-yardstick.py $(YARDSTICK_FILES)) ms"
	@echo "numpy yardstick, BLAS on every core: $$(bench/numpy-yardstick.py \
		$(YARDSTICK_FILES)) ms"

# Each fuzz target searches for FUZZ_SECONDS, built with clang, libFuzzer and both sanitizers,
# as a debug build so that the matrices' index assertions stay on. Inputs that reach new code
# are added to its corpus in tests/fuzz/corpus, which every test run replays; a crash or an
# input slower than 10 seconds stops the search and is saved in $(FUZZ_DIR).
fuzz: deps
	@cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
		-DCMAKE_CXX_FLAGS="-O1" -DTAVI_SANITIZE=ON -DTAVI_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_DIR) --target $(addprefix fuzz-,$(FUZZ_TARGETS))
	@for target in $(FUZZ_TARGETS); do \
		echo "fuzz-$$target: $(FUZZ_SECONDS) seconds"; \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
			$(FUZZ_DIR)/tests/fuzz/fuzz-$$target -max_total_time=$(FUZZ_SECONDS) -timeout=10 \
			-print_final_stats=1 -artifact_prefix=$(FUZZ_DIR)/$$target- \
			tests/fuzz/corpus/$$target || exit 1; \
	done

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR)
