# make run   — install what is missing, build, run the main job
# make test  — install what is missing, build, run every test (also under sanitizers)
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)
HOME_DIR ?= $(CURDIR)/$(BUILD)/home

.PHONY: run test deps build build-asan test-normal test-asan bench clean

# The program folder of `make run` is $(HOME_DIR); its sample database is made
# on the first run.  The main job: connect to the embedded database and export
# the four tables to workbooks in that folder.
CLI = $(BUILD)/bin/tabrin-cli --home $(HOME_DIR)
run: deps build
	@mkdir -p $(HOME_DIR)
	$(BUILD)/bin/tabrin-cli --help
	@[ -f $(HOME_DIR)/Database.mdb ] || $(CLI) init-db --sample
	$(CLI) connect 1
	$(CLI) export --kind 1 cls $(HOME_DIR)/Classify.xls
	$(CLI) export --kind 1 item $(HOME_DIR)/Item.xls
	$(CLI) export --kind 1 supplier $(HOME_DIR)/Supplier.xls
	$(CLI) export --kind 1 customer $(HOME_DIR)/Customer.xls

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
