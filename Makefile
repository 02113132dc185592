# The README's commands. Everything goes through CMake and CTest in ./build.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: setup build run test clean

setup:
	@bash scripts/setup-deps

$(BUILD)/build.ninja: CMakeLists.txt
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: setup $(BUILD)/build.ninja
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@bash scripts/run-demo $(BUILD)

test: build
	@bash scripts/run-tests $(BUILD)

clean:
	rm -rf $(BUILD)
