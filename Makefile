# Builds the module in place (src/) and runs the demo, the tests or the benchmarks.
PYTHON ?= $(shell command -v python3.12 >/dev/null 2>&1 && PYENV_VERSION=3.12.1 python3.12 -c 'import sys; print(sys.executable)' 2>/dev/null || echo python3.12)
MAKEFLAGS += --no-print-directory
JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan

FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
CORE_SOURCES = $(filter-out %_binding.cpp,$(wildcard src/mapgis/*.cpp src/core/*.cpp src/pymath/*.cpp src/geometry/*.cpp src/projection/*.cpp src/mapgrid/*.cpp))

.PHONY: all build demo test hostile sanitize valgrind bench fuzz clean

all: build

build:
	@cmake -S . -B $(BUILD) -DPYTHON=$(PYTHON) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# Converts the bundled sample polygon file to GeoJSON, with a progress bar.
demo: build
	$(PYTHON) examples/convert.py examples/sample/parcels.WP $(BUILD)/parcels.json --colour-library examples/sample/Pcolor.lib

test: build
	$(PYTHON) tests/run.py --gtest $(BUILD)/core_tests

# The hostile-object suites on the release build, with the host's debug
# allocator, which fills freed memory so that a use after free shows.
hostile: build
	PYTHONMALLOC=debug $(PYTHON) tests/run.py --pattern 'test_hostile*.py'

# The whole suite against a module built with AddressSanitizer and UBSan.
sanitize:
	@cmake -S . -B $(ASAN_BUILD) -DPYTHON=$(PYTHON) -DKESTRIN_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	LD_PRELOAD="$$($(CXX) -print-file-name=libasan.so) $$($(CXX) -print-file-name=libstdc++.so)" PYTHONMALLOC=malloc \
	ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  $(PYTHON) tests/run.py --module-root $(ASAN_BUILD) --gtest $(ASAN_BUILD)/core_tests

bench: build
	$(PYTHON) bench/bench_toolkit.py
	$(PYTHON) bench/bench_core.py
	$(PYTHON) bench/bench_mapgis_support.py
	$(PYTHON) bench/bench_feature_open.py
	$(PYTHON) bench/bench_feature_stream.py
	$(PYTHON) bench/bench_export.py
	$(PYTHON) bench/bench_projection.py
	$(PYTHON) bench/bench_geometry_loads.py
	$(PYTHON) bench/bench_geometry_text.py
	$(PYTHON) bench/bench_geometry_output.py
	$(PYTHON) bench/bench_mapgrid.py
	$(PYTHON) bench/bench_projection_conic.py
	$(PYTHON) bench/bench_mapgrid_parse.py
	$(PYTHON) bench/bench_projection_gauss_kruger.py

# The fuzz targets (clang's libFuzzer, AddressSanitizer, UBSan): fuzz/fuzz_<name>.cpp
# over the pure cores, each seeded by `fuzz/make_corpus.py <name>` and run for
# FUZZ_SECONDS seconds (FUZZ_SECONDS=600 make fuzz for a longer run).
FUZZ_TARGETS = readers angle_text mapgrid geometry
FUZZ_HEADERS = $(wildcard src/*/*.h src/*/*.inc)

$(FUZZ_BUILD)/fuzz_%: fuzz/fuzz_%.cpp $(CORE_SOURCES) $(FUZZ_HEADERS)
	@mkdir -p $(FUZZ_BUILD)
	clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -ffp-contract=off \
	  -Isrc $< $(CORE_SOURCES) -o $@

fuzz: $(addprefix $(FUZZ_BUILD)/fuzz_,$(FUZZ_TARGETS))
	@set -e; for target in $(FUZZ_TARGETS); do \
	  rm -rf $(FUZZ_BUILD)/corpus-$$target && $(PYTHON) fuzz/make_corpus.py $$target $(FUZZ_BUILD)/corpus-$$target; \
	  mkdir -p $(FUZZ_BUILD)/crashes-$$target; \
	  echo "== fuzz_$$target"; \
	  $(FUZZ_BUILD)/fuzz_$$target -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
	    -artifact_prefix=$(FUZZ_BUILD)/crashes-$$target/ -print_final_stats=1 $(FUZZ_BUILD)/corpus-$$target; \
	done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) src/*.so

# The suite under valgrind's memcheck (memory errors only: the host keeps its
# interned strings until exit by design).
valgrind: build
	PYTHONMALLOC=malloc valgrind -q --error-exitcode=9 --leak-check=no $(PYTHON) tests/run.py
