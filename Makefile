# Thin wrapper over CMake.  `make run` starts Tarifon on the demo database,
# `make test` builds and runs the whole test suite.
BUILD ?= build
JOBS ?= $(shell nproc)
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles")
CMAKE_FLAGS ?=
# CI builds with warnings as errors: TARIFON_WERROR=ON make test
ifdef TARIFON_WERROR
CMAKE_FLAGS += -DTARIFON_WERROR=$(TARIFON_WERROR)
endif

.PHONY: all deps configure build test run demo bench format format-check clean

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
	rm -rf $(BUILD)
