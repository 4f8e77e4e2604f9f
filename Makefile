# The two commands that do everything on a fresh Debian 12 machine:
#   make run    bootstrap, build, and start setup.exe under Wine
#   make test   bootstrap, build both trees, run every test, and fuzz briefly
#   make bench  the figures of setup.exe next to their references
#   make dist   dist/setup.exe and dist/setup-user.exe, signed when SIGN_CERT and SIGN_KEY are given
.PHONY: all bootstrap host windows build test fuzz-smoke bench dist run clean

all: build

bootstrap:
	@scripts/bootstrap.sh

host: bootstrap
	@cmake --preset host >/dev/null
	@cmake --build --preset host

windows: host
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows

build: windows

test: build
	ctest --preset host -j2
	ctest --preset windows -j2
	@$(MAKE) --no-print-directory fuzz-smoke

# About 30 s of each fuzz target; scripts/fuzz.sh SECONDS runs them longer.
fuzz-smoke: bootstrap
	@scripts/fuzz.sh 30

bench: build
	@scripts/bench.sh

dist: build
	@scripts/dist.sh

run: build
	@scripts/run.sh

clean:
	rm -rf build dist
