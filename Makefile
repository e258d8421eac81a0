# Front door. `make run` and `make test` each do the whole set-up on a bare machine.
JOBS ?= $(shell nproc)
BUILD := build
ASAN_BUILD := build-asan
FUZZ_BUILD := build-fuzz

.PHONY: all deps build build-asan build-fuzz run test demo bench soak preview clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

build-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DFORMIK_SANITIZE=ON -DFORMIK_BENCH=OFF >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ]; then \
	  echo "No display (DISPLAY is not set): run 'make demo' to watch a scripted game on a virtual display."; \
	else \
	  cd $(BUILD) && ./formik; \
	fi

test: build build-asan
	@bash scripts/run-tests.sh $(BUILD) $(ASAN_BUILD)

demo: build
	@bash scripts/demo.sh $(BUILD)

# Contact sheets of the generated data, drawn through the engine on a virtual display.
preview: build
	@tests/support/with-xvfb.sh $(BUILD)/tools/preview/preview $(BUILD)/data $(BUILD)/preview

bench: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)
	@cmake --build $(BUILD) -j $(JOBS) --target bench_anchors
	@bash scripts/run-bench.sh $(BUILD)

# Long play with the memory record, valgrind, every hostile data case and
# longer fuzzing; SOAK_SECONDS and FUZZ_SECONDS change the lengths.
soak: build build-asan
	@bash scripts/run-soak.sh $(BUILD) $(ASAN_BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
