# Two entry points: `make run` and `make test`. Everything else is a helper.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
SAMPLE ?= data/samples/hello.pdf

.PHONY: all deps build build-asan run test test-release test-asan bench clean

all: build

deps:
	@./tools/install-deps.sh

build: deps
	@cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build build/release -j $(JOBS)

build-asan: deps
	@cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DQUILLMARK_SANITIZE=ON >/dev/null
	@cmake --build build/asan -j $(JOBS)

run: build
	./build/release/quillmark-objdump $(SAMPLE)

test-release: build
	cd build/release && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd build/asan && ctest --output-on-failure -j $(JOBS)

test: test-release test-asan
	@echo "all tests passed (release and sanitizer builds)"

bench: build
	@for b in build/release/bench/bench-*; do echo "== $$b"; $$b; done

clean:
	rm -rf build
