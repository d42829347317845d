# Top-level commands. Each one installs what it needs first (scripts/install-deps is idempotent).
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: deps build run demo screenshots test test-default test-asan test-tsan fuzz fuzz-build test-fuzz-smoke bench clean ansible-collection

deps:
	bash scripts/install-deps

build: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS)

run: build
	./build/bin/kestrova-swutil

# The Ansible collection kestrova.printers as an archive: build/kestrova-printers-VERSION.tar.gz.
ansible-collection: deps
	mkdir -p build
	ansible-galaxy collection build integrations/ansible/ansible_collections/kestrova/printers --output-path build --force

# The window against a simulated RT5600 on 127.0.0.1:9100 (choose TCP/IP, address 127.0.0.1).
demo: build
	./build/bin/kestrova-printer-sim --model RT5600 --tcp 127.0.0.1:9100 --code-page 17 --charset 3 & \
	  sim=$$!; trap "kill $$sim 2>/dev/null" EXIT; sleep 0.5; ./build/bin/kestrova-swutil

# A picture of every tab after a read of the simulator, in a real X server (Xvfb).
screenshots: build
	KESTROVA_SCREENSHOT_DIR=$(CURDIR)/docs/screenshots KESTROVA_BIN_DIR=$(CURDIR)/build/bin QT_QPA_PLATFORM=xcb \
	  xvfb-run -a -s "-screen 0 1024x768x24" ./build/tests/app_test_screenshots

test-default: build
	ctest --preset default -j $(JOBS)

test-asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

# The threaded suites (link, sim, app, cli) under ThreadSanitizer; any report fails the run. The
# preset passes tests/tsan.supp (system Qt and GLib only) to the tests and the programs they start.
TSAN_SUITES ?= ^(link|sim|app|cli)$$
test-tsan: deps
	cmake --preset tsan
	cmake --build --preset tsan -j $(JOBS)
	ctest --preset tsan -j $(JOBS) -L '$(TSAN_SUITES)'

# libFuzzer targets (clang, libraries under Address+UB sanitizers): build-fuzz/fuzz/fuzz_<name>,
# seeds in tests/fuzz/corpus/<name>/. A crash input lands in build-fuzz/artifacts/.
FUZZ_SECONDS ?= 60
FUZZ_SMOKE_SECONDS ?= 15
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

# The Debian package from the default build: build/package/kestrova-swutil_<version>_<arch>.deb.
.PHONY: package test-package
package: build
	cd build && cpack -G DEB

# Builds the package and checks what it installs, unpacked into a temporary root (a few seconds).
test-package: build
	bash scripts/check-package build

# Order matters for a plain `make test`: whole suite, Address/UB, Thread, the fuzz smoke run, the
# package.
test: test-default test-asan test-tsan test-fuzz-smoke test-package

bench: build
	python3 bench/run_bench.py --build-dir build

clean:
	rm -rf build build-asan build-tsan build-fuzz
