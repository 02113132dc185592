# The README's commands. Everything goes through CMake and CTest in ./build.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: setup configure build run test package clean

setup:
	@bash scripts/setup-deps

# CMake runs every time (it takes a moment when nothing changed), so flags
# given in CMAKE_FLAGS always reach the build folder's cache, also when the
# folder exists already.
configure: setup
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@bash scripts/run-demo $(BUILD)

test: build
	@bash scripts/run-tests $(BUILD)

# The Debian package of the two programs, written into the build folder.
# Only what it holds is built, not the tests.
package: configure
	@cmake --build $(BUILD) -j $(JOBS) --target veltrana update
	@cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD)
