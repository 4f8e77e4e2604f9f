# The two commands that do everything on a fresh Debian 12 machine:
#   make run    bootstrap, build, and start setup.exe under Wine
#   make test   bootstrap, build both trees, and run every test
.PHONY: all bootstrap host windows build test run clean

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

run: build
	@scripts/run.sh

clean:
	rm -rf build
