# Entry points for building, running and testing VARNO. The real build is
# CMake (see CMakePresets.json); these targets only chain its steps.
#
#   make run    build and run the example host (in build/default/run)
#   make test   build and run the test suite
#   make asan   the same under AddressSanitizer and UndefinedBehaviorSanitizer
#   make clean  remove the preset build trees

REPO := $(patsubst %/,%,$(dir $(abspath $(lastword $(MAKEFILE_LIST)))))
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
RUN_DIR := $(REPO)/build/default/run
MAKEFLAGS += --no-print-directory

.PHONY: all deps run test asan clean

all: test

deps:
	@bash "$(REPO)/scripts/install-deps.sh"

run: deps
	cd "$(REPO)" && cmake --preset default
	cd "$(REPO)" && cmake --build --preset default --parallel $(JOBS) --target varno_example
	mkdir -p "$(RUN_DIR)"
	cd "$(RUN_DIR)" && VARNO_ROOT="$${VARNO_ROOT:-$(REPO)}" "$(REPO)/build/default/examples/varno_example"

test: deps
	cd "$(REPO)" && cmake --preset default
	cd "$(REPO)" && cmake --build --preset default --parallel $(JOBS)
	cd "$(REPO)" && ctest --preset default --parallel $(JOBS)

asan: deps
	cd "$(REPO)" && cmake --preset asan
	cd "$(REPO)" && cmake --build --preset asan --parallel $(JOBS)
	cd "$(REPO)" && ctest --preset asan --parallel $(JOBS)

clean:
	rm -rf "$(REPO)/build/default" "$(REPO)/build/asan"
