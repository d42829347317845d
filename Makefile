# Top-level commands. Each one installs what it needs first (scripts/install-deps is idempotent).
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: deps build run test test-default test-asan test-tsan bench clean

deps:
	bash scripts/install-deps

build: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS)

run: build
	./build/bin/kestrova-swutil

test-default: build
	ctest --preset default -j $(JOBS)

test-asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

test-tsan: deps
	cmake --preset tsan
	cmake --build --preset tsan -j $(JOBS)
	ctest --preset tsan -j $(JOBS) -L threaded

test: test-default test-asan

bench: build
	@echo "No benchmarks yet."

clean:
	rm -rf build build-asan build-tsan
