# The two commands of the README. Both install what is missing first.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja

.PHONY: all deps build run test test-unit test-asan lint bench package fuzz clean

all: build

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN)
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/app/kiritori

test-unit: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The whole program once more under AddressSanitizer and
# UndefinedBehaviorSanitizer: every layer's tests, the windows' tests and the
# end-to-end roads with the installed sanitized program. Leaks inside system
# libraries are suppressed by tests/lsan.supp, each with its reason.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DKIRITORI_GUI=ON -DKIRITORI_SANITIZE=ON -DKIRITORI_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1 \
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# clang-tidy with the project's .clang-tidy over the layers that need neither
# Qt nor a display, from the compile commands of $(BUILD).
lint: deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) >/dev/null
	run-clang-tidy -p $(BUILD) -j $(JOBS) -quiet '$(CURDIR)/(runtime|platform|graphics|jpeg|imaging)/[^/]*\.cpp$$'

test: test-unit test-asan lint

# The Debian package of the program, its desktop entry, icons, metainfo and
# manual page, written into $(BUILD)/.
package: build
	cmake --build $(BUILD) --target package

# The libFuzzer targets (fuzz/), each for SECONDS seconds within 1 GB.
SECONDS ?= 60
fuzz: deps
	sh fuzz/run.sh $(SECONDS)

bench: build
	@for b in $(BUILD)/bench/bench_*; do echo "== $$b"; $$b || exit 1; done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
