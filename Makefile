# Thin wrapper over CMake.  `make run` starts Tarifon on the demo database,
# `make test` builds and runs the whole test suite; `make sanitize` runs it again under
# AddressSanitizer and UndefinedBehaviorSanitizer, `make fuzz` runs every fuzzer.
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
JOBS ?= $(shell nproc)
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles")
CMAKE_FLAGS ?=
# CI builds with warnings as errors: TARIFON_WERROR=ON make test
ifdef TARIFON_WERROR
CMAKE_FLAGS += -DTARIFON_WERROR=$(TARIFON_WERROR)
endif

.PHONY: all deps configure build test sanitize fuzz run demo bench format format-check clean

all: build

deps:
	@bash scripts/install-deps.sh --check 2>/dev/null || bash scripts/install-deps.sh

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -G "$(GENERATOR)" $(CMAKE_FLAGS)

configure: $(BUILD)/CMakeCache.txt

build: deps configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600

# Built by clang, which also keeps the tree building with it.  UBSan stops a test at its
# first finding (-fno-sanitize-recover); LeakSanitizer runs at every test's exit.
$(SANITIZE_BUILD)/CMakeCache.txt: | deps
	CC=clang CXX=clang++ cmake -S . -B $(SANITIZE_BUILD) -G "$(GENERATOR)" -DTARIFON_SANITIZE=ON \
	  $(CMAKE_FLAGS)

sanitize: deps $(SANITIZE_BUILD)/CMakeCache.txt
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS) --timeout 900

# Every libFuzzer target from its corpus, FUZZ_SECONDS (default 20) each.
fuzz: deps
	CMAKE_FLAGS="$(CMAKE_FLAGS)" JOBS=$(JOBS) bash scripts/fuzz.sh $(FUZZ_BUILD)

run: build
	bash scripts/run.sh $(BUILD)

demo: build
	bash scripts/demo.sh $(BUILD)

bench: build
	bash bench/run.sh $(BUILD)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check:
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD)
