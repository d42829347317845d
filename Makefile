# Top-level commands. Each one installs what it needs first (scripts/install-deps is idempotent).
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: deps build run test test-default test-asan test-tsan fuzz fuzz-build test-fuzz-smoke bench clean

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

# libFuzzer targets (clang, libraries under Address+UB sanitizers): build-fuzz/fuzz/fuzz_<name>,
# seeds in tests/fuzz/corpus/<name>/. A crash input lands in build-fuzz/artifacts/.
FUZZ_SECONDS ?= 60
FUZZ_SMOKE_SECONDS ?= 20
FUZZ_BIN := build-fuzz/fuzz
FUZZ_SEEDS := tests/fuzz/corpus

fuzz-build: deps
	cmake --preset fuzz
	cmake --build --preset fuzz --target fuzz_targets -j $(JOBS)

# Runs one target: $(1) name, $(2) seconds, $(3) scratch corpus folder (the seeds are read-only).
define run_fuzz_target
	mkdir -p $(3) build-fuzz/artifacts; \
	printf 'fuzz %-14s %3s s ... ' $(1) $(2); \
	if $(FUZZ_BIN)/fuzz_$(1) -max_total_time=$(2) -timeout=10 -print_final_stats=1 \
	     -artifact_prefix=build-fuzz/artifacts/$(1)- $(3) $(FUZZ_SEEDS)/$(1) > build-fuzz/fuzz-$(1).log 2>&1; then \
	  grep -o 'stat::number_of_executed_units: *[0-9]*' build-fuzz/fuzz-$(1).log | sed 's/.*: */runs /'; \
	else \
	  echo FAILED; tail -n 60 build-fuzz/fuzz-$(1).log; exit 1; \
	fi
endef

# Each target for FUZZ_SECONDS; what it finds is kept in build-fuzz/corpus/<name> for the next run.
fuzz: fuzz-build
	@set -e; for t in $$(cat $(FUZZ_BIN)/targets.txt); do \
	  $(call run_fuzz_target,$$t,$(FUZZ_SECONDS),build-fuzz/corpus/$$t); \
	done

# Each target for FUZZ_SMOKE_SECONDS from the repository's seeds (a fresh scratch folder each time);
# fails on any crash, sanitizer report, leak, timeout or violated property.
test-fuzz-smoke: fuzz-build
	@set -e; for t in $$(cat $(FUZZ_BIN)/targets.txt); do \
	  rm -rf build-fuzz/smoke/$$t; \
	  $(call run_fuzz_target,$$t,$(FUZZ_SMOKE_SECONDS),build-fuzz/smoke/$$t); \
	done

# Order matters for a plain `make test`: whole suite, Address/UB, then the fuzz smoke run.
test: test-default test-asan test-fuzz-smoke

bench: build
	@echo "No benchmarks yet."

clean:
	rm -rf build build-asan build-tsan build-fuzz
