# Two commands for a newcomer: `make run` and `make test`. Both install what is
# missing first (Debian packages through scripts/install-deps); NO_DEPS=1 skips
# that step (no root or sudo, or packages installed by hand).

RELEASE_DIR := build/release
TEST_DIR    := build/test
FUZZ_DIR    := build/fuzz
FUZZ_SECONDS ?= 60
FUZZ_SMOKE_SECONDS ?= 5
CMAKE_GEN   := -G Ninja

.PHONY: all deps build run test bench package clean format fuzz fuzz-build

all: build

NO_DEPS ?= 0
deps:
ifeq ($(filter-out 0,$(NO_DEPS)),)
	@./scripts/install-deps
else
	@echo "deps: skipped (NO_DEPS=$(NO_DEPS))"
endif

$(RELEASE_DIR)/build.ninja: CMakeLists.txt | deps
	cmake -S . -B $(RELEASE_DIR) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DFAPKALK_BUILD_TESTS=OFF

# The test build compiles its sources eight at a time as one unit: under the
# sanitizers most of a file's compile time goes to instrumenting the Qt and
# standard inline code it uses, which a unit instruments once for all its
# files. The release build compiles each file alone, so each still compiles
# by itself.
$(TEST_DIR)/build.ninja: CMakeLists.txt | deps
	cmake -S . -B $(TEST_DIR) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFAPKALK_SANITIZE=ON \
		-DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=8

build: deps $(RELEASE_DIR)/build.ninja
	cmake --build $(RELEASE_DIR)

run: build
	$(RELEASE_DIR)/src/fapkalk $(ARGS)

# The whole suite, built with AddressSanitizer and UndefinedBehaviorSanitizer;
# window tests run on Qt's offscreen platform. The fuzz targets are built and
# run beside ctest, whose tests leave a core idle much of the time (they wait
# for child processes, timers and the disk); their report follows ctest's.
test: deps $(TEST_DIR)/build.ninja
	cmake --build $(TEST_DIR)
	@echo "fuzz: building and running beside ctest (log: build/fuzz-smoke.log)"; \
	$(MAKE) --no-print-directory fuzz FUZZ_SECONDS=$(FUZZ_SMOKE_SECONDS) FUZZ_BUILD_JOBS=1 \
		>build/fuzz-smoke.log 2>&1 & fuzz=$$!; \
	(cd $(TEST_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2); tests=$$?; \
	wait $$fuzz; fuzzed=$$?; cat build/fuzz-smoke.log; \
	[ $$tests -eq 0 ] && [ $$fuzzed -eq 0 ]

# The fuzz targets (clang, libFuzzer, ASan+UBSan), each run for FUZZ_SECONDS on
# a working copy of its seeds in $(FUZZ_DIR)/fuzz-corpus; `make test` runs
# them for FUZZ_SMOKE_SECONDS each.
$(FUZZ_DIR)/build.ninja: CMakeLists.txt fuzz/CMakeLists.txt | deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFAPKALK_BUILD_FUZZ=ON \
		-DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=8

FUZZ_BUILD_JOBS ?=
fuzz-build: deps $(FUZZ_DIR)/build.ninja
	cmake --build $(FUZZ_DIR) --target fuzz_all $(if $(FUZZ_BUILD_JOBS),-j$(FUZZ_BUILD_JOBS))

fuzz: fuzz-build
	fuzz/run-fuzzers.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

# The Debian package, from a Release build of its own made with Debian's
# hardening flags as dpkg-buildflags gives them to every Debian package
# (fortified functions, stack protector, read-only relocations, immediate
# binding); the library dependencies are computed by dpkg-shlibdeps. lintian,
# where installed, then checks the package, hardening included. Install it with:
# sudo apt install ./build/package/fapkalk_*.deb
PACKAGE_DIR := build/package
BUILDFLAGS  := DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get
package: deps
	cmake -S . -B $(PACKAGE_DIR) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release \
		-DFAPKALK_BUILD_TESTS=OFF -DFAPKALK_BUILD_BENCH=OFF \
		-DCMAKE_CXX_FLAGS="$$($(BUILDFLAGS) CPPFLAGS) $$($(BUILDFLAGS) CXXFLAGS)" \
		-DCMAKE_EXE_LINKER_FLAGS="$$($(BUILDFLAGS) LDFLAGS)"
	cmake --build $(PACKAGE_DIR)
	cd $(PACKAGE_DIR) && cpack -G DEB
	@deb=$$(ls -t $(CURDIR)/$(PACKAGE_DIR)/fapkalk_*.deb | head -1); \
	tests/package/lint_deb.sh --hardened "$$deb"; rc=$$?; \
	if [ $$rc -ne 0 ] && [ $$rc -ne 77 ]; then exit $$rc; fi; \
	echo "Paket: $$deb"

# The long random session on the main window (the sanitizer build's soak test):
# SOAK_ACTIONS actions from seed SOAK_SEED; the same pair replays a session.
# Qt Test ends a test function after 300 s; the session may take longer (10 to
# 16 ms an action under the sanitizers, more on a busy machine), so its limit
# grows with its length: 45 ms an action plus 5 minutes.
SOAK_ACTIONS ?= 20000
SOAK_SEED    ?= 20120101
.PHONY: soak
soak: deps $(TEST_DIR)/build.ninja
	cmake --build $(TEST_DIR) --target ui_soak_tests
	cd $(TEST_DIR)/tests && FAPKALK_SOAK_ACTIONS=$(SOAK_ACTIONS) FAPKALK_SOAK_SEED=$(SOAK_SEED) \
		QTEST_FUNCTION_TIMEOUT=$$(( $(SOAK_ACTIONS) * 45 + 300000 )) \
		QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 \
		ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		./ui_soak_tests test_soak soak

# Benchmarks are off unless asked for (they need libbenchmark-dev): this turns
# them on in the Release build, so they land in $(RELEASE_DIR)/bench.
bench: deps $(RELEASE_DIR)/build.ninja
	cmake -S . -B $(RELEASE_DIR) -DFAPKALK_BUILD_BENCH=ON
	cmake --build $(RELEASE_DIR)
	@for b in $(RELEASE_DIR)/bench/bench_*; do echo "== $$b"; $$b --benchmark_repetitions=5 --benchmark_report_aggregates_only=true; done

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
