# The two everyday commands: `make demo` and `make test`. Everything else is a building block.
JOBS ?= $(shell nproc 2>/dev/null || sysctl -n hw.ncpu 2>/dev/null || echo 2)
CLI := build/release/bin/tarnwick-cli
GUI := build/release/bin/tarnwick
# The window needs a display; on a Mac there always is one.
HAS_DISPLAY := $(if $(or $(DISPLAY),$(WAYLAND_DISPLAY),$(filter Darwin,$(shell uname -s))),yes)

.PHONY: demo demo-cli run test deps release check fuzz bench format clean

# Opens the window on the built-in demo tree (no Mac needed); without a display, the command-line tour.
demo: release
ifeq ($(HAS_DISPLAY),yes)
	$(GUI) --demo
else
	@echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): showing the command-line tour instead of the window."
	$(MAKE) --no-print-directory demo-cli
endif

# The command line on the demo tree: the applications, then what one of them leaves behind.
demo-cli: release
	$(CLI) --demo apps
	$(CLI) --demo scan Skylume

# Opens the window on this Mac's real applications.
run: release
	$(GUI)

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
