# The two commands of the README: `make run` and `make test`.
# Both install missing Debian packages first, so a fresh machine needs nothing else.

BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build run test sanitized-test sanitized-test-all deb clean

all: build

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	bash scripts/run.sh $(BUILD_DIR)/bin/quorvane $(ARGS)

# Tests are where warnings count: they fail the build here, never in a user's `make run`.
# Line tables (-g1) are all a backtrace or a sanitizer report needs, and compile a quarter
# faster than full debug information.
test: CMAKE_ARGS += -DQUORVANE_WERROR=ON -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"
test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)
	$(MAKE) --no-print-directory sanitized-test

# A Debian package of what `cmake --install` places, under /usr:
# $(BUILD_DIR)/quorvane_<version>_<arch>.deb, its Depends worked out by dpkg-shlibdeps.
deb: build
	cd $(BUILD_DIR) && cpack -G DEB

# The imaging engine's tests once more, built with AddressSanitizer and UBSan (at -O1,
# which their makers advise for speed; the reports stay exact), in one process: started once
# per case, a sanitized executable spends more time starting than testing.
SANITIZE_DIR ?= build-asan
sanitized-test: deps
	cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 \
	  -DQUORVANE_SANITIZE=ON -DQUORVANE_WERROR=ON
	cmake --build $(SANITIZE_DIR) -j $(JOBS) --target imaging_tests
	cd $(SANITIZE_DIR)/tests && QT_QPA_PLATFORM=offscreen \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/imaging/lsan-suppressions.txt \
	  ./imaging_tests --gtest_brief=1

# Every test of the program, the real program of the journeys included, with AddressSanitizer
# and UBSan; then the parts that run threads of their own (the row bands of the effects and
# codecs, the preview workers, the undo history's encoder) with ThreadSanitizer. Several
# times as long as `make test`, so not part of it.
SANITIZE_ALL_DIR ?= build-asan-all
THREAD_SANITIZE_DIR ?= build-tsan
SANITIZED_CONFIG = -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DQUORVANE_WERROR=ON \
  -DQUORVANE_SANITIZE_ALL_TESTS=ON
sanitized-test-all: deps
	cmake -S . -B $(SANITIZE_ALL_DIR) $(SANITIZED_CONFIG) -DQUORVANE_SANITIZE=ON
	cmake --build $(SANITIZE_ALL_DIR) -j $(JOBS)
	# Without the EGL that Qt's Wayland plugin loads and unloads again at exit, whose leaks
	# LeakSanitizer cannot name: the program draws with the CPU and needs none.
	cd $(SANITIZE_ALL_DIR) && \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/imaging/lsan-suppressions.txt \
	  QT_WAYLAND_CLIENT_BUFFER_INTEGRATION=none ctest --output-on-failure -j $(JOBS)
	cmake -S . -B $(THREAD_SANITIZE_DIR) $(SANITIZED_CONFIG) -DQUORVANE_SANITIZE_THREAD=ON
	cmake --build $(THREAD_SANITIZE_DIR) -j $(JOBS) --target imaging_tests showlist_tests
	# Not the tests that start the reference tools: ThreadSanitizer cannot follow a process
	# that forks with threads running, and reports every access after it as a race.
	cd $(THREAD_SANITIZE_DIR)/tests && export QT_QPA_PLATFORM=offscreen && \
	  export TSAN_OPTIONS=suppressions=$(CURDIR)/tests/imaging/tsan-suppressions.txt && \
	  ./showlist_tests --gtest_brief=1 && \
	  ./imaging_tests --gtest_brief=1 --gtest_filter='-PhotoFiles*:TaggedFiles*:AvifOrientation*'

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(SANITIZE_ALL_DIR) $(THREAD_SANITIZE_DIR)
