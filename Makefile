# The two set-up commands: `make run` and `make test`. Both install what is missing first.
PRESET ?= default
BUILD := build/$(PRESET)
BIN := $(BUILD)/bin

.PHONY: deps configure build run test test-asan screenshots bench format package clean

deps:
	@bash scripts/install-deps

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET)

run: build
	@bash scripts/run-tablora $(BIN)

test: build
	@bash scripts/install-deps --tests
	@ctest --preset $(PRESET)

test-asan:
	@$(MAKE) --no-print-directory test PRESET=asan

screenshots: build
	@bash scripts/screenshots $(BIN)

bench: build
	@$(BIN)/cursor_bench && $(BIN)/evening_bench && $(BIN)/history_bench && $(BIN)/printing_bench && $(BIN)/backup_bench && $(BIN)/report_bench

format:
	@clang-format -i $$(git ls-files "*.cpp" "*.h")

package: build
	@cd $(BUILD) && cpack -G DEB >/dev/null && ls -1 $(CURDIR)/$(BUILD)/tablora_*.deb

clean:
	rm -rf build
