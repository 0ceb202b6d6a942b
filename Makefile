# `make run` starts Kovara, `make test` builds and runs every test, `make package` builds the
# Debian package. Each first installs the Debian packages it needs and nothing more (see
# scripts/install-deps).

BUILD_DIR ?= build
TEST_BUILD_DIR ?= build-test
PACKAGE_BUILD_DIR ?= build-package
JOBS ?= $(shell nproc)

.PHONY: run test build build-tests package format lint clean

build:
	./scripts/install-deps run
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOVARA_BUILD_TESTS=OFF
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/bin/kovara

build-tests:
	./scripts/install-deps test
	cmake -S . -B $(TEST_BUILD_DIR) -DCMAKE_BUILD_TYPE=Debug -DKOVARA_SANITIZE=ON
	cmake --build $(TEST_BUILD_DIR) -j $(JOBS)

# The tests run inside a private D-Bus session bus; the window tests start their own Xvfb or
# Weston.
test: build-tests
	dbus-run-session -- ctest --test-dir $(TEST_BUILD_DIR) --output-on-failure -j $(JOBS)

# A Release build of its own, without debug information or test programs (the compiler cache
# still serves what the other builds compiled alike), packed by CPack and checked by lintian.
package:
	./scripts/install-deps package
	cmake -S . -B $(PACKAGE_BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DKOVARA_BUILD_TESTS=OFF -DKOVARA_BUILD_BENCH=OFF
	cmake --build $(PACKAGE_BUILD_DIR) -j $(JOBS)
	cd $(PACKAGE_BUILD_DIR) && cpack -G DEB
	lintian --fail-on error,warning $(PACKAGE_BUILD_DIR)/kovara_*.deb

# Formats every C++ source of the tree with .clang-format.
format:
	./scripts/install-deps lint
	git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format -i

# clang-tidy with the checks of .clang-tidy; fails on any finding.
lint:
	./scripts/install-deps lint
	JOBS=$(JOBS) ./scripts/lint

clean:
	rm -rf $(BUILD_DIR) $(TEST_BUILD_DIR) $(PACKAGE_BUILD_DIR)
