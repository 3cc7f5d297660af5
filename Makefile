# The two everyday commands: `make demo` and `make test`. Everything else is a building block.
JOBS ?= $(shell nproc 2>/dev/null || sysctl -n hw.ncpu 2>/dev/null || echo 2)
CLI := build/release/bin/tarnwick-cli

.PHONY: demo run test deps release check fuzz bench format clean

# Runs the program on the built-in demo tree (no Mac needed).
demo: release
	$(CLI) --demo apps

# Runs the program on this Mac's real applications.
run: release
	$(CLI) apps

# Installs what is missing, then builds and runs every test and the short fuzzing runs.
test: deps check fuzz

deps:
	scripts/install-deps

release: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

check:
	cmake --preset ci
	cmake --build --preset ci -j $(JOBS)
	ctest --preset ci -j $(JOBS)

fuzz:
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	ctest --preset fuzz

bench: deps
	bench/run

format:
	git ls-files '*.h' '*.cpp' | xargs clang-format -i

clean:
	rm -rf build
