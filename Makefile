# The front door: `make run` and `make test` install what is missing, build, and go.
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
JOBS ?= $(shell nproc)
CMAKE ?= cmake

CMAKE_FLAGS := -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
ifeq ($(CI),true)
CMAKE_FLAGS += -DVEXA_WERROR=ON
endif

SHOT := $(BUILD)/vexa-screenshot.png

.PHONY: all deps build run demo test test-sanitize bench clean

all: build

deps:
	@scripts/install-deps

build: deps
	@$(CMAKE) -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@$(CMAKE) --build $(BUILD) -j $(JOBS)

# Starts the live application. Without a display it runs under Xvfb, saves a screenshot and
# says where.
run: build
	@scripts/run-vexa $(BUILD) $(SHOT)

# Starts on the built-in sample catalogue.
demo: build
	@scripts/run-vexa $(BUILD) $(SHOT) --route=home

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
ifeq ($(CI),true)
	@$(MAKE) --no-print-directory test-sanitize
endif

# The unit tests again, built with AddressSanitizer and UndefinedBehaviorSanitizer. GCC's
# instrumentation makes it warn falsely inside the standard library (<regex>), so warnings do
# not stop this build; the plain build above holds them as errors. It is optimised less and
# carries only line tables, which the sanitizers' reports need: that nearly halves its time.
SANITIZE_OPT := -O1 -g1 -DNDEBUG
test-sanitize: deps
	@$(CMAKE) -S . -B $(SANITIZE_BUILD) $(CMAKE_FLAGS) -DVEXA_WERROR=OFF -DVEXA_SANITIZE=ON -DVEXA_BENCH=OFF \
		"-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=$(SANITIZE_OPT)" "-DCMAKE_C_FLAGS_RELWITHDEBINFO=$(SANITIZE_OPT)" >/dev/null
	@$(CMAKE) --build $(SANITIZE_BUILD) -j $(JOBS)
	@cd $(SANITIZE_BUILD) && LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ctest --output-on-failure -j $(JOBS) -L unit

bench: build
	@scripts/run-benchmarks $(BUILD)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
