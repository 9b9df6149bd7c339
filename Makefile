# Tolvane: `make run` starts the program, `make test` builds everything and runs every
# test. Both install what they need first (scripts/bootstrap.sh).
.PHONY: all bootstrap build native win32 test run dist screenshot fuzz bench catalogue clean

all: build

bootstrap:
	@scripts/bootstrap.sh

native: bootstrap
	@scripts/build.sh native

win32: bootstrap
	@scripts/build.sh win32

build: native win32

test: bootstrap
	@scripts/test.sh

dist: build
	@scripts/dist.sh

run: dist
	@scripts/run.sh

# The README's picture, taken by the same headless step as `make run` without a display.
screenshot: dist
	@env -u DISPLAY scripts/run.sh
	cp build/tolvane.png docs/screenshot.png

fuzz: bootstrap
	@scripts/fuzz.sh long

bench: build
	@scripts/bench.sh

catalogue: bootstrap
	@scripts/build.sh native gen-catalogue
	build/native/tools/gen-catalogue/gen-catalogue --out data/win32api.tsv

clean:
	rm -rf build
