# Entry points for building, running and testing VARNO. The real build is
# CMake (see CMakePresets.json); these targets only chain its steps.
#
#   make run    build everything and run the example study with `varno run`
#               (in build/default/run)
#   make test   build and run the test suite
#   make asan   the same under AddressSanitizer and UndefinedBehaviorSanitizer,
#               built with clang (build/asan); this build holds the fuzz
#               targets too
#   make bench  build the benchmarks (Release, build/release) and run the
#               single- and multi-objective search-quality comparisons (the
#               single-objective gap table also goes to
#               build/release/search_quality.md) and the surrogate accuracy and
#               speed benchmarks; BENCH_ARGS=--quick for a subset of the searches
#   make fuzz   build the fuzz targets in the asan build (build/asan, clang)
#               and run each for FUZZ_SECONDS (default 60); inputs that make a
#               target fail are kept in fuzz/regressions/<target>/, which
#               `make test` replays
#   make windows-test  cross-build the DLL, the runner and their tests with
#               mingw-w64 (build/windows) and run them under Wine; installs the
#               cross compilers, Wine and the cross-built libraries first
#               (scripts/install-windows-deps.sh)
#   make clean  remove the preset build trees

REPO := $(patsubst %/,%,$(dir $(abspath $(lastword $(MAKEFILE_LIST)))))
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
RUN_DIR := $(REPO)/build/default/run
BENCH_ARGS ?=
# The Debian interpreter, which has python3-scipy.
PYTHON ?= /usr/bin/python3
MAKEFLAGS += --no-print-directory

FUZZ_SECONDS ?= 60
FUZZ_TARGETS := definition_text setup_sequence study_file model_file history_file \
                checkpoint_file doe_user_array

.PHONY: all deps bench-deps run test asan bench fuzz windows-test clean

all: test

deps:
	@bash "$(REPO)/scripts/install-deps.sh"

# Packages only the benchmarks need, so install-deps.sh leaves them out:
# pagmo2 and SciPy run the search-quality anchors, and scikit-learn and SciPy
# give the reference models of the surrogate benchmark.
bench-deps:
	@missing=""; \
	for package in libpagmo-dev python3-sklearn python3-scipy; do \
	  if [ "$$(dpkg-query -W -f='$${db:Status-Status}' $$package 2>/dev/null)" != installed ]; then \
	    missing="$$missing $$package"; \
	  fi; \
	done; \
	if [ -n "$$missing" ]; then \
	  as_root=""; \
	  if [ "$$(id -u)" -ne 0 ]; then \
	    command -v sudo >/dev/null 2>&1 || { \
	      echo "bench:$$missing missing, and sudo is not available to install them." >&2; exit 1; }; \
	    as_root=sudo; \
	  fi; \
	  echo "bench: installing$$missing"; \
	  $$as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q && \
	  $$as_root env DEBIAN_FRONTEND=noninteractive \
	    apt-get install -y -q --no-install-recommends $$missing; \
	fi

run: deps
	cd "$(REPO)" && cmake --preset default
	cd "$(REPO)" && cmake --build --preset default --parallel $(JOBS)
	mkdir -p "$(RUN_DIR)"
	cd "$(RUN_DIR)" && VARNO_ROOT="$${VARNO_ROOT:-$(REPO)}" "$(REPO)/build/default/tools/varno" run \
	  "$(REPO)/examples/tension-spring.study" --problem tension-spring

test: deps
	cd "$(REPO)" && cmake --preset default
	cd "$(REPO)" && cmake --build --preset default --parallel $(JOBS)
	cd "$(REPO)" && ctest --preset default --parallel $(JOBS)

asan: deps
	cd "$(REPO)" && cmake --preset asan
	cd "$(REPO)" && cmake --build --preset asan --parallel $(JOBS)
	cd "$(REPO)" && ctest --preset asan --parallel $(JOBS)

bench: deps bench-deps
	cd "$(REPO)" && cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DVARNO_BUILD_TESTS=OFF
	cd "$(REPO)" && cmake --build build/release --parallel $(JOBS)
	cd "$(REPO)/build/release" && ./bench/bench_search_quality $(BENCH_ARGS) --json search_quality.json
	cd "$(REPO)/build/release" && $(PYTHON) "$(REPO)/bench/search_quality_scipy.py" \
	  --library bench/libbench_problems.so --results search_quality.json \
	  --output search_quality_all.json --markdown search_quality.md
	cd "$(REPO)/build/release" && ./bench/bench_mo_quality $(BENCH_ARGS)
	cd "$(REPO)/build/release" && ./bench/bench_surrogate_accuracy surrogate_points
	cd "$(REPO)/build/release" && $(PYTHON) "$(REPO)/bench/surrogate_reference.py" surrogate_points
	cd "$(REPO)/build/release" && ./bench/bench_surrogate_speed

fuzz: deps
	cd "$(REPO)" && cmake --preset asan
	cd "$(REPO)" && cmake --build --preset asan --parallel $(JOBS) \
	  --target $(addprefix fuzz_,$(FUZZ_TARGETS))
	@set -e; for target in $(FUZZ_TARGETS); do \
	  corpus="$(REPO)/build/asan/fuzz/corpus/$$target"; mkdir -p "$$corpus"; \
	  dict=""; case $$target in definition_text|setup_sequence) \
	    dict="-dict=$(REPO)/fuzz/definition_text.dict";; esac; \
	  echo "fuzz: $$target for $(FUZZ_SECONDS) s"; \
	  "$(REPO)/build/asan/fuzz/fuzz_$$target" -max_total_time=$(FUZZ_SECONDS) -timeout=60 \
	    -rss_limit_mb=2048 -print_final_stats=1 $$dict \
	    -artifact_prefix="$(REPO)/fuzz/regressions/$$target/" \
	    "$$corpus" "$(REPO)/fuzz/corpus/$$target"; \
	done

windows-test: deps
	JOBS=$(JOBS) bash "$(REPO)/scripts/windows-test.sh"

clean:
	rm -rf "$(REPO)/build/default" "$(REPO)/build/asan" "$(REPO)/build/release" "$(REPO)/build/fuzz" \
	  "$(REPO)/build/windows" "$(REPO)/build/windows-deps" "$(REPO)/build/wine-prefix"
