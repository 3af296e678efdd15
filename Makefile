# Thin wrapper around the CMake build: `make demo`, `make test`.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
CTEST_JOBS ?= 2
LUMIVISTA = $(BUILD)/src/app/lumivista
DEMO_OUT ?= $(CURDIR)/out/demo

.PHONY: all deps configure build test demo format clean

all: build

deps:
	bash scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
	  -DCMAKE_CXX_COMPILER_LAUNCHER=ccache

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD)

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(CTEST_JOBS)

demo: build
	$(LUMIVISTA) --version
	$(LUMIVISTA) project show examples/demo/demo.lmv

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
