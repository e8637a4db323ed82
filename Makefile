# Thin wrapper over CMake. `make` builds Release; `make test` builds and runs every test.
BUILD      ?= build
SAN_BUILD  ?= build-sanitize
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE      ?= cmake

.PHONY: all build test demo bench sanitize clean

all: build

build:
	$(CMAKE) -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	$(CMAKE) --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

demo: build
	@./$(BUILD)/example_host
	@echo
	@bash examples/demo.sh $(BUILD)/qeltex $(BUILD)/demo

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b" || exit 1; done

sanitize:
	$(CMAKE) -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DQELTEX_SANITIZE=ON -DQELTEX_BUILD_BENCH=OFF
	$(CMAKE) --build $(SAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(SAN_BUILD) --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(SAN_BUILD) build-fuzz build-tsan

# libFuzzer harnesses (clang, ASan+UBSan) into build-fuzz/; see fuzz/build.sh.
.PHONY: fuzz
fuzz:
	bash fuzz/build.sh

# ThreadSanitizer build of the multi-pass QELTC encoder's tests (in $(TSAN_BUILD)).
TSAN_BUILD ?= build-tsan
.PHONY: tsan
tsan:
	$(CMAKE) -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQELTEX_BUILD_BENCH=OFF \
	  -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread \
	  -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread
	$(CMAKE) --build $(TSAN_BUILD) -j $(JOBS) --target test_amtc
	TSAN_OPTIONS=halt_on_error=1 ./$(TSAN_BUILD)/tests/test_amtc
