# make run   — install what is missing, build, run the main job
# make test  — install what is missing, build, run every test (also under sanitizers)
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)
HOME_DIR ?= $(CURDIR)/$(BUILD)/home

.PHONY: run test deps build build-asan test-normal test-asan bench clean

run: deps build
	@mkdir -p $(HOME_DIR)
	$(BUILD)/bin/tabrin-cli --help

test: deps build
	scripts/run-tests $(BUILD) $(ASAN_BUILD) $(JOBS)

deps:
	scripts/install-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

bench: deps build
	scripts/run-benchmarks $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
