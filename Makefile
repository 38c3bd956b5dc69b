# The two everyday commands: `make run` and `make test`. Both install what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc)
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles")
CMAKE_FLAGS ?=

.PHONY: run test build deps configure bench fuzz asan tsan clean

deps:
	@./scripts/install-deps.sh

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -G "$(GENERATOR)" $(CMAKE_FLAGS)

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/bin/Tavrick --emulate $(ARGS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) $(if $(TEST_REGEX),-R '$(TEST_REGEX)')

bench: configure
	cmake --build $(BUILD) -j $(JOBS) --target benchmarks
	@for b in $(BUILD)/bin/bench_*; do echo "== $$b"; $$b $(BENCH_ARGS) || exit 1; done

asan:
	$(MAKE) test BUILD=build-asan CMAKE_FLAGS="-DTAVRICK_SANITIZE=address,undefined -DTAVRICK_BENCH=OFF"

tsan:
	$(MAKE) test BUILD=build-tsan CMAKE_FLAGS="-DTAVRICK_SANITIZE=thread -DTAVRICK_BENCH=OFF" TEST_REGEX='Concurrency|Threads'

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -G "$(GENERATOR)" -DTAVRICK_FUZZ=ON -DTAVRICK_TESTS=OFF -DTAVRICK_BENCH=OFF -DTAVRICK_SANITIZE=address,undefined
	cmake --build build-fuzz -j $(JOBS)
	./scripts/run-fuzzers.sh build-fuzz $(FUZZ_SECONDS)

clean:
	rm -rf build build-asan build-tsan build-fuzz
