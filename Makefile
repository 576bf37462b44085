# make run   — install what is missing, build, open the window on the sample
#              database (or, without a display, run the command-line job)
# make test  — install what is missing, build, run every test (also under sanitizers)
# make package — the Debian package (apt install ./build/tabrin_*.deb)
# make test-tsan — the import, export and command-line tests under ThreadSanitizer
BUILD ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
JOBS ?= $(shell nproc)
HOME_DIR ?= $(CURDIR)/$(BUILD)/home

.PHONY: run run-cli test test-tsan deps build programs package build-asan test-normal test-asan bench clean

# The program folder of `make run` is $(HOME_DIR); its sample database is made
# on the first run.  With a display the window opens on it; without one the
# command-line job runs: connect to the embedded database and export the four
# tables to workbooks in that folder.
CLI = $(BUILD)/bin/tabrin-cli --home $(HOME_DIR)
run: deps programs
	@mkdir -p $(HOME_DIR)
	@[ -f $(HOME_DIR)/Database.mdb ] || $(CLI) init-db --sample
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ] && [ -x $(BUILD)/bin/tabrin ]; then \
	  echo "Opening the window (program folder $(HOME_DIR))"; \
	  exec $(BUILD)/bin/tabrin --home $(HOME_DIR); \
	fi; \
	echo "No display (DISPLAY and WAYLAND_DISPLAY are not set): the window cannot open here."; \
	echo "To see it on a virtual display: xvfb-run -a $(BUILD)/bin/tabrin --home $(HOME_DIR)"; \
	echo "Running the command-line job instead."; \
	$(MAKE) --no-print-directory run-cli

run-cli:
	$(BUILD)/bin/tabrin-cli --help
	$(CLI) connect 1
	$(CLI) export --kind 1 cls $(HOME_DIR)/Classify.xls
	$(CLI) export --kind 1 item $(HOME_DIR)/Item.xls
	$(CLI) export --kind 1 supplier $(HOME_DIR)/Supplier.xls
	$(CLI) export --kind 1 customer $(HOME_DIR)/Customer.xls

test: deps build
	scripts/run-tests $(BUILD) $(ASAN_BUILD) $(JOBS)

test-tsan: deps
	scripts/run-tsan-tests $(TSAN_BUILD) $(JOBS)

deps:
	scripts/install-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTABRIN_GUI=ON

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# Only what `make run` runs: the window and tabrin-cli, not the tests,
# benchmarks and examples.
programs: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target programs

# The Debian package tabrin_<version>_amd64.deb, in the build folder.
package: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target programs tabrin_package_files
	cd $(BUILD) && cpack -G DEB

bench: deps build
	scripts/run-benchmarks $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD)
