# The two commands of the README, `make run` and `make test`, and a few more for developers.
# Each first installs whatever Debian packages are missing.

BUILD_DIR := build
ASAN_DIR := build-asan
JOBS ?= $(shell nproc)

.PHONY: all deps build test test-release test-asan run bench clean

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD_DIR)

run: build
	@echo "The windowed program is not part of this build yet; the numerical engine is a library"
	@echo "(build/engine/libtavi_engine.a) checked by 'make test' and measured by 'make bench'."

# Every test, then every test again with AddressSanitizer and UndefinedBehaviorSanitizer, whose
# first report fails the run.
test: test-release test-asan

test-release: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

test-asan: deps
	@cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAVI_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_DIR)
	@ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --test-dir $(ASAN_DIR) --output-on-failure -j $(JOBS)

bench: build
	@cmake --build $(BUILD_DIR) --target tavi-bench
	@OPENBLAS_NUM_THREADS=1 $(BUILD_DIR)/bench/tavi-bench

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR)
