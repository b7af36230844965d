# Two entry points: `make run` and `make test`. Everything else is a helper.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
SAMPLE ?= data/samples/hello.pdf

FUZZ_SECONDS ?= 60
FUZZ_TARGET ?= fuzz_parser

PREFIX ?= /usr/local

.PHONY: all deps build build-asan run test test-release test-asan bench fuzz clean install deb

all: build

deps:
	@./tools/install-deps.sh build/node

build: deps
	@cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build build/release -j $(JOBS)

build-asan: deps
	@cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DQUILLMARK_SANITIZE=ON -DQUILLMARK_BENCH=OFF >/dev/null
	@cmake --build build/asan -j $(JOBS)

run: build
	./build/release/vellumix -m -r $(SAMPLE) build/sample-site.htm
	@echo "Converted $(SAMPLE): open build/sample-site/index.htm in a browser."
	@echo "The program is build/release/vellumix (make install puts it on the PATH as $(PREFIX)/bin/vellumix)."

test-release: build
	cd build/release && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd build/asan && ctest --output-on-failure -j $(JOBS)

test: test-release test-asan
	@echo "all tests passed (release and sanitizer builds)"

# Library, header, pkg-config file, programs and data under $(PREFIX).
install: build
	cmake --install build/release --prefix $(PREFIX)

# Debian packages (vellumix, libquillmark1, libquillmark-dev, quillmark-data) into build/.
deb: build
	cd build/release && cpack -G DEB -B $(CURDIR)/build
	@ls build/*.deb

bench: build
	@for b in build/release/bench/bench-*; do echo "== $$b"; $$b; done

# Runs one libFuzzer target for FUZZ_SECONDS, seeded with the test corpus; findings land in
# build/fuzz/artifacts/.
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMARK_FUZZ=ON >/dev/null
	@cmake --build build/fuzz -j $(JOBS) --target $(FUZZ_TARGET)
	@mkdir -p build/fuzz/corpus-$(FUZZ_TARGET) build/fuzz/artifacts
	./build/fuzz/fuzz/$(FUZZ_TARGET) -max_total_time=$(FUZZ_SECONDS) -max_len=65536 -timeout=30 \
	    -artifact_prefix=build/fuzz/artifacts/ build/fuzz/corpus-$(FUZZ_TARGET) tests/data/corpus data/samples

clean:
	rm -rf build
