# Two entry points: `make run` starts Kovara, `make test` builds and runs every test.
# Both install any missing Debian package first.

BUILD_DIR ?= build
TEST_BUILD_DIR ?= build-test
JOBS ?= $(shell nproc)

.PHONY: run test deps build build-tests package format lint clean

deps:
	@./scripts/install-deps

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOVARA_BUILD_TESTS=OFF
	cmake --build $(BUILD_DIR) -j $(JOBS)

package: build
	cd $(BUILD_DIR) && cpack -G DEB

run: build
	$(BUILD_DIR)/bin/kovara

build-tests: deps
	cmake -S . -B $(TEST_BUILD_DIR) -DCMAKE_BUILD_TYPE=Debug -DKOVARA_SANITIZE=ON
	cmake --build $(TEST_BUILD_DIR) -j $(JOBS)

# The tests run inside a private D-Bus session bus; the window test starts its own Xvfb.
test: build-tests
	dbus-run-session -- ctest --test-dir $(TEST_BUILD_DIR) --output-on-failure -j $(JOBS)

# Formats every C++ source of the tree with .clang-format.
format: deps
	git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format -i

# clang-tidy with the checks of .clang-tidy; fails on any finding.
lint: deps
	JOBS=$(JOBS) ./scripts/lint

clean:
	rm -rf $(BUILD_DIR) $(TEST_BUILD_DIR)
