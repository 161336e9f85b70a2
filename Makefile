# Static probes on musl, their support library, and their tests.

PREFIX ?= /usr/local
BINDIR ?= $(PREFIX)/bin
MANDIR ?= $(PREFIX)/share/man

B := build
comma := ,

# ARCH is a Debian architecture from scripts/arches; one other than the
# machine's own is cross-built into build/ARCH with Debian's g++-TRIPLET.
HOST_ARCH := $(shell dpkg --print-architecture 2>/dev/null || uname -m | sed \
	's/x86_64/amd64/; s/aarch64/arm64/; s/i.86/i386/; s/ppc64le/ppc64el/; s/mips64/mips64el/; s/armv7l/armhf/')
ARCH ?= $(HOST_ARCH)
ARCHES := $(shell awk '!/^\#/ { print $$1 }' scripts/arches)
arches_on = $(shell awk '!/^\#/ && index("," $$6 ",", ",$(1),") { print $$1 }' scripts/arches)
# The release is built on Debian 13; `make cross` builds what the host's
# Debian has musl for (every row elsewhere).
RELEASE_ARCHES := $(call arches_on,13)
HOST_DEBIAN := $(shell sed -n 's/^VERSION_ID="*\([0-9]*\).*/\1/p' /etc/os-release 2>/dev/null)
CROSS_ARCHES := $(or $(if $(HOST_DEBIAN),$(call arches_on,$(HOST_DEBIAN))),$(ARCHES))
arch_field = $(shell awk '$$1 == "$(ARCH)" { print $$$(1) }' scripts/arches)
TRIPLET := $(call arch_field,2)
MUSL := $(call arch_field,3)
QEMU := $(call arch_field,4)

ifeq ($(ARCH),$(HOST_ARCH))
T := $(B)
else
$(if $(TRIPLET),,$(error ARCH=$(ARCH) is none of: $(ARCHES)))
T := $(B)/$(ARCH)
CROSS_PREFIX := $(TRIPLET)-
RUN_WITH := qemu-$(QEMU)-static
endif

# Each can be set on the command line or in the environment.
ifeq ($(origin CC),default)
CC := $(CROSS_PREFIX)gcc
endif
ifeq ($(origin CXX),default)
CXX := $(CROSS_PREFIX)g++
endif
ifeq ($(origin AR),default)
AR := $(CROSS_PREFIX)ar
endif
STRIP ?= $(CROSS_PREFIX)strip
HOST_CXX ?= $(if $(CROSS_PREFIX),g++,$(CXX))
MUSL_INC ?= /usr/include/$(MUSL)
MUSL_SPECS ?= /usr/lib/$(MUSL)/musl-gcc.specs
GCC_INC = $(shell $(CXX) -print-file-name=include)

WARN := -Wall -Wextra
# No C++ runtime: nothing to unwind, no type info, no guarded statics;
# loop idioms must not turn into calls to the C library's memcpy.
NORUNTIME := -fno-exceptions -fno-rtti -fno-threadsafe-statics \
	-fno-asynchronous-unwind-tables -fno-unwind-tables \
	-fno-tree-loop-distribute-patterns -fno-stack-protector
TARGET_CXXFLAGS = -std=c++20 -O2 $(WARN) $(NORUNTIME) -nostdinc \
	-isystem $(MUSL_INC) -isystem $(GCC_INC) -fno-pie \
	-ffunction-sections -fdata-sections -ffile-prefix-map=$(CURDIR)/= -Ilib
# No dynamic linker ever applies RELRO to these, so it would only pad the
# file to the largest page size (64 KiB on arm64 and ppc64el); the segment
# alignment that such kernels need stays. Nor is the file padded to start
# the data on a page of its own, which saves a page of memory at most:
# where kernels may use 64 KiB pages, pages are taken as 64 KiB (elsewhere
# that would pad i386's text, which starts 32 KiB into such a page).
PAGES_64K := arm64 ppc64el mips64el
TARGET_LDFLAGS = -specs $(MUSL_SPECS) -static -no-pie -Wl,--gc-sections \
	-Wl,-z,noseparate-code \
	-Wl,-z,norelro \
	$(if $(filter $(ARCH),$(PAGES_64K)),-Wl$(comma)-z$(comma)common-page-size=65536) \
	-Wl,--build-id=none -Wl,--sort-section=name
HOST_CXXFLAGS := -std=c++20 -O1 -g $(WARN) -Ilib -Itools
TEST_LIBS := -lgtest -lgtest_main -pthread

LIB_OBJS := \
	lib/bytes/cstr_length.o \
	lib/bytes/cstr_index.o \
	lib/bytes/cstr_compare.o \
	lib/bytes/bytes_copy.o \
	lib/writer/write_all.o \
	lib/writer/write_narrow.o \
	lib/writer/flush.o \
	lib/writer/put.o \
	lib/writer/puts_run.o \
	lib/writer/putalign.o \
	lib/writer/putsalign.o \
	lib/writer/putflush.o \
	lib/writer/putsflush.o \
	lib/writer/printv.o \
	lib/writer/escaped.o \
	lib/writer/field_escaped.o \
	lib/writer/out.o \
	lib/writer/err.o \
	lib/format/format_decimal.o \
	lib/format/decimal_text.o \
	lib/format/format_octal.o \
	lib/format/octal_text.o \
	lib/format/octal_text_padded.o \
	lib/format/format_hex.o \
	lib/format/hex_text_padded.o \
	lib/mask/names_print.o \
	lib/mask/print.o \
	lib/file/read.o \
	lib/cgroup/load.o \
	lib/cgroup/print.o \
	lib/cgroup/unified.o \
	lib/cgroup/find.o \
	lib/cgroup/read.o \
	lib/opt/init.o \
	lib/opt/next.o \
	lib/opt/program_name.o \
	lib/front/standard_options.o

TOOLS := \
	argreport \
	devreport \
	envreport \
	fdreport \
	idreport \
	limitreport \
	mntreport \
	nsreport \
	privreport \
	resreport \
	sigreport \
	sysreport

argreport_OBJS := \
	tools/argreport/argreport.o

devreport_OBJS := \
	tools/devreport/devreport.o

envreport_OBJS := \
	tools/envreport/envreport.o

fdreport_OBJS := \
	tools/fdreport/fdreport.o \
	tools/fdreport/pieces.o \
	tools/fdreport/socket_detail.o

idreport_OBJS := \
	tools/idreport/idreport.o

limitreport_OBJS := \
	tools/limitreport/limitreport.o \
	tools/limitreport/limit_table.o

mntreport_OBJS := \
	tools/mntreport/mntreport.o

nsreport_OBJS := \
	tools/nsreport/nsreport.o

privreport_OBJS := \
	tools/privreport/privreport.o \
	tools/privreport/privilege_names.o \
	tools/privreport/label.o

resreport_OBJS := \
	tools/resreport/resreport.o \
	tools/resreport/cgroup.o \
	tools/resreport/cpus.o

sigreport_OBJS := \
	tools/sigreport/sigreport.o \
	tools/sigreport/signal_names.o

sysreport_OBJS := \
	tools/sysreport/sysreport.o

# Their time goes to system calls and to code run once, cold: small code
# is faster there, and at -O2 fdreport outgrows 16 KiB on ppc64el. So do
# the library's units that only such probes use.
SMALL_TOOLS := \
	fdreport \
	privreport \
	resreport \
	mntreport
$(foreach t,$(SMALL_TOOLS),$($(t)_OBJS:%=$(T)/target/%)): TARGET_CXXFLAGS += -Os
$(patsubst %,$(T)/target/%,$(filter lib/cgroup/% lib/writer/escaped.o lib/writer/field_escaped.o,$(LIB_OBJS))): \
	TARGET_CXXFLAGS += -Os
# ppc64el's and mips64el's code is the largest: there every object is
# built small, or privreport and resreport outgrow 16 KiB; the speed
# targets are measured natively.
ifneq ($(filter $(ARCH),ppc64el mips64el),)
TARGET_CXXFLAGS += -Os
endif

UNIT_TESTS := \
	tests/unit/bytes_test.o \
	tests/unit/writer_test.o \
	tests/unit/opt_test.o \
	tests/unit/format_test.o \
	tests/unit/mask_test.o \
	tests/unit/limit_table_test.o \
	tests/unit/entry_test.o \
	tests/unit/file_test.o

E2E_TESTS := \
	tests/e2e/harness.o \
	tests/e2e/argreport_test.o \
	tests/e2e/front_test.o \
	tests/e2e/envreport_test.o \
	tests/e2e/idreport_test.o \
	tests/e2e/limitreport_test.o \
	tests/e2e/kernel_view_test.o \
	tests/e2e/faults_test.o \
	tests/e2e/binary_test.o

LIBPROBE := $(T)/target/libprobe.a
BINS := $(TOOLS:%=$(T)/bin/%)

# The one host program: the standard library and a JSON library, linked
# statically, so that it runs on a node beside the probes.
OCICHECK_OBJS := \
	ocicheck/main.o \
	ocicheck/run.o \
	ocicheck/reports.o \
	ocicheck/fields.o \
	ocicheck/output.o
OCICHECK := $(T)/bin/ocicheck
OCICHECK_CXX ?= $(CROSS_PREFIX)g++
OCICHECK_FLAGS = -std=c++20 -O2 $(WARN) -ffile-prefix-map=$(CURDIR)/= \
	-DPROBE_NAMES='$(subst $(eval) ,,$(foreach t,$(TOOLS),"$(t)",))'

all: $(BINS) $(OCICHECK)

# What each kind of target needs, checked once (and installed on Debian
# as root) by scripts/install-deps.
DEPS := $(B)/deps
.PRECIOUS: $(DEPS)/%
install_deps = @ARCH=$(ARCH) CC="$(CC)" CXX="$(CXX)" AR="$(AR)" HOST_CXX="$(HOST_CXX)" \
	MUSL_INC="$(MUSL_INC)" MUSL_SPECS="$(MUSL_SPECS)" scripts/install-deps $(1)
$(DEPS)/%: scripts/install-deps scripts/arches
	@mkdir -p $(@D)
	$(call install_deps,$*)
	@touch $@

$(T)/target/%.o: %.cpp Makefile | $(DEPS)/build-$(ARCH)
	@mkdir -p $(@D)
	$(CXX) $(TARGET_CXXFLAGS) -MMD -MP -c -o $@ $<

$(LIBPROBE): $(LIB_OBJS:%=$(T)/target/%)
	@rm -f $@
	$(AR) rcD $@ $^

.SECONDEXPANSION:
$(T)/bin/%: $$(addprefix $(T)/target/,$$($$*_OBJS)) $(LIBPROBE) Makefile
	@mkdir -p $(@D)
	$(CC) $(TARGET_LDFLAGS) -o $@ $(filter %.o,$^) $(LIBPROBE)

TOOL_OBJS = $(foreach t,$(TOOLS),$($(t)_OBJS))

$(T)/ocicheck/%.o: ocicheck/%.cpp Makefile | $(DEPS)/ocicheck-$(ARCH)
	@mkdir -p $(@D)
	$(OCICHECK_CXX) $(OCICHECK_FLAGS) -MMD -MP -c -o $@ $<

$(OCICHECK): $(OCICHECK_OBJS:ocicheck/%=$(T)/ocicheck/%) Makefile
	@mkdir -p $(@D)
	$(OCICHECK_CXX) -static -Wl,--build-id=none -o $@ $(filter %.o,$^)

# Every architecture of scripts/arches that the host's Debian has musl
# for, with what they need installed in one round.
cross:
	$(call install_deps,$(CROSS_ARCHES:%=build-%))
	@for a in $(CROSS_ARCHES); do $(MAKE) --no-print-directory ARCH=$$a all || exit 1; done

# An empty program built exactly like the probes: exec and exit only.
$(T)/bench/floor: $(T)/target/bench/floor.o Makefile
	@mkdir -p $(@D)
	$(CC) $(TARGET_LDFLAGS) -o $@ $<

# Each probe's own floor, from the same source: its system calls, with the
# write sizes bench/run measured in FLOOR_WRITES_<probe> and the files it
# traced in FLOOR_FILES_<probe>.
$(T)/bench/floor-%: bench/floor.cpp Makefile | $(DEPS)/build-$(ARCH)
	@mkdir -p $(@D)
	$(CXX) $(TARGET_CXXFLAGS) -DFLOOR_$* -DFLOOR_WRITES=$(FLOOR_WRITES_$*) -DFLOOR_FILES='$(FLOOR_FILES_$*)' -c -o $@.o $<
	$(CC) $(TARGET_LDFLAGS) -o $@ $@.o

$(B)/bench/pairtime: bench/pairtime.cpp Makefile | $(DEPS)/bench
	@mkdir -p $(@D)
	$(HOST_CXX) -std=c++20 -O2 $(WARN) -o $@ $<

BENCH_NEEDS := $(BINS) $(T)/bench/floor $(B)/bench/pairtime | $(DEPS)/bench
bench: $(BENCH_NEEDS)
	MAKE="$(MAKE)" bench/run $(T) $(B)/bench/pairtime

# ocicheck on a bundle against running its probes through runc by hand.
bench-ocicheck: $(BINS) $(OCICHECK) | $(DEPS)/check
	bench/ocicheck $(T)

# A shorter run that fails when a target is missed by more than its noise.
bench-check: $(BENCH_NEEDS)
	MAKE="$(MAKE)" bench/run $(T) $(B)/bench/pairtime check

# Host builds for the tests, plain (host) and with AddressSanitizer and
# UndefinedBehaviorSanitizer (san); each tool's entry is renamed so that
# the tests can call it in-process.
SAN_FLAGS := -fsanitize=address,undefined -fno-sanitize-recover=all \
	-fno-omit-frame-pointer
host_FLAGS :=
san_FLAGS := $(SAN_FLAGS)

define host_build
$(B)/$(1)/%.o: %.cpp Makefile | $(DEPS)/check
	@mkdir -p $$(@D)
	$(HOST_CXX) $$(HOST_CXXFLAGS) $($(1)_FLAGS) -MMD -MP -c -o $$@ $$<

$(B)/$(1)/tools/%.o: tools/%.cpp Makefile | $(DEPS)/check
	@mkdir -p $$(@D)
	$(HOST_CXX) $$(HOST_CXXFLAGS) $($(1)_FLAGS) -Dmain=$$(notdir $$*)_main -MMD -MP -c -o $$@ $$<

# Named here so make keeps them and notices when one is missing.
$(addprefix $(B)/$(1)/,$(LIB_OBJS) $(TOOL_OBJS) $(UNIT_TESTS)):
endef
$(eval $(call host_build,host))
$(eval $(call host_build,san))
$(addprefix $(T)/target/,$(LIB_OBJS) $(TOOL_OBJS) bench/floor.o):
$(addprefix $(B)/host/,$(E2E_TESTS)):

$(B)/tests/unit: $(patsubst %,$(B)/host/%,$(UNIT_TESTS) $(LIB_OBJS) $(TOOL_OBJS))
	@mkdir -p $(@D)
	$(HOST_CXX) -o $@ $^ $(TEST_LIBS)

$(B)/tests/unit-san: $(patsubst %,$(B)/san/%,$(UNIT_TESTS) $(LIB_OBJS) $(TOOL_OBJS))
	@mkdir -p $(@D)
	$(HOST_CXX) $(SAN_FLAGS) -o $@ $^ $(TEST_LIBS)

$(B)/host/tests/e2e/%.o: HOST_CXXFLAGS += -DPROBE_BIN=\"$(abspath $(B)/bin)\"

$(B)/tests/e2e: $(patsubst %,$(B)/host/%,$(E2E_TESTS))
	@mkdir -p $(@D)
	$(HOST_CXX) -o $@ $^ $(TEST_LIBS)

# libFuzzer targets, each against the library sources it exercises.
FUZZ_TARGETS := opt writer
FUZZ_SECONDS ?= 180
FUZZ_CXX := clang++
FUZZ_FLAGS := -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined \
	-fno-sanitize-recover=all -Ilib
# Not the control-group units: clang refuses their common symbol in C++.
FUZZ_SOURCES := $(filter-out lib/front/% lib/cgroup/%,$(LIB_OBJS:.o=.cpp))

$(B)/fuzz/%: fuzz/%_fuzz.cpp $(FUZZ_SOURCES) Makefile | $(DEPS)/fuzz
	@mkdir -p $(@D)
	$(FUZZ_CXX) $(FUZZ_FLAGS) -o $@ $< $(FUZZ_SOURCES)

fuzz: $(FUZZ_TARGETS:%=$(B)/fuzz/%)
	@for t in $(FUZZ_TARGETS); do \
		mkdir -p $(B)/fuzz/found-$$t; \
		echo "fuzzing $$t for $(FUZZ_SECONDS)s"; \
		$(B)/fuzz/$$t -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
			-artifact_prefix=$(B)/fuzz/ $(B)/fuzz/found-$$t fuzz/corpus/$$t \
			>$(B)/fuzz/$$t.log 2>&1; status=$$?; \
		grep -E '^stat::(number_of_executed_units|new_units_added)' $(B)/fuzz/$$t.log; \
		[ $$status -eq 0 ] || { tail -n 40 $(B)/fuzz/$$t.log; exit 1; }; \
	done

# Natively: every test. With ARCH set to another architecture, or for each
# one listed in CROSS, the end-to-end tests on its probes under qemu-user;
# with DIST=1, the release files' checks as well.
# Other architectures and the release are built one after another, in the
# recipe, so that no two makes ever share a folder.
ifeq ($(T),$(B))
CHECK_SUITES := native $(CROSS) $(if $(DIST),dist)
check: $(BINS) $(OCICHECK) $(B)/tests/unit $(B)/tests/unit-san $(B)/tests/e2e
	$(call install_deps,$(CROSS:%=build-%) $(CROSS:%=qemu-%) $(if $(DIST),distcheck engine $(RELEASE_ARCHES:%=qemu-%)))
	@for a in $(CROSS); do $(MAKE) --no-print-directory ARCH=$$a all || exit 1; done
	@$(if $(DIST),$(MAKE) --no-print-directory dist)
else
CHECK_SUITES := $(ARCH)
check: $(BINS) $(B)/tests/e2e | $(DEPS)/qemu-$(ARCH)
endif
	@TOOLS="$(TOOLS)" tests/run $(B) $(CHECK_SUITES)

run: $(BINS) | $(if $(RUN_WITH),$(DEPS)/qemu-$(ARCH))
	@echo '$$ argreport one "two words" ""'; $(RUN_WITH) $(T)/bin/argreport one "two words" ""
	@echo '$$ env -i HOME=/root TERM=dumb envreport'; env -i HOME=/root TERM=dumb $(RUN_WITH) $(T)/bin/envreport
	@echo '$$ envreport -V'; $(RUN_WITH) $(T)/bin/envreport -V 2>&1
	@echo '$$ envreport -h'; $(RUN_WITH) $(T)/bin/envreport -h 2>&1
	@echo '$$ idreport'; $(RUN_WITH) $(T)/bin/idreport
	@echo '$$ limitreport'; $(RUN_WITH) $(T)/bin/limitreport
	@echo '$$ privreport'; $(RUN_WITH) $(T)/bin/privreport
	@echo '$$ (trap "" PIPE; sigreport)'; (trap "" PIPE; $(RUN_WITH) $(T)/bin/sigreport)
	@echo '$$ fdreport </dev/null'; $(RUN_WITH) $(T)/bin/fdreport </dev/null
	@echo '$$ nsreport'; $(RUN_WITH) $(T)/bin/nsreport
	@echo '$$ resreport'; $(RUN_WITH) $(T)/bin/resreport
	@echo '$$ mntreport'; $(RUN_WITH) $(T)/bin/mntreport
	@echo '$$ devreport'; $(RUN_WITH) $(T)/bin/devreport
	@echo '$$ sysreport'; $(RUN_WITH) $(T)/bin/sysreport

# Release files, into dist/. `make dist` and `make image` build them in a
# clean Debian 13 root (scripts/debian-root), from committed sources only
# unless DIRTY=1, so that the bytes do not depend on the host.
VERSION := 2.07
REVISION := 1
# From the last commit; an unpacked source tarball carries them in
# scripts/commit, which git archive fills in.
STAMP := $(shell cat scripts/commit)
ifneq ($(findstring Format,$(STAMP)),)
STAMP := $(shell git log -1 --format='%ct %H' 2>/dev/null)
endif
SOURCE_DATE_EPOCH ?= $(word 1,$(STAMP))
COMMIT ?= $(word 2,$(STAMP))
RELEASE_VERSION := $(VERSION)$(if $(DIRTY),+dirty)
RELEASE_SUITE := trixie
RELEASE_NEEDS := dist image ocicheck $(RELEASE_ARCHES:%=build-%)
# the release builds each architecture in parallel within: the same bytes
JOBS ?= $(shell nproc 2>/dev/null || echo 1)
RELEASE_VARS = RELEASE_VERSION=$(RELEASE_VERSION) SOURCE_DATE_EPOCH=$(SOURCE_DATE_EPOCH) COMMIT=$(COMMIT)

dist image: | $(DEPS)/root
	@[ -n "$(DIRTY)" ] || [ ! -e .git ] || { c=$$(git status --porcelain) && [ -z "$$c" ]; } || \
		{ echo "make $@: uncommitted changes (commit them, or make $@ DIRTY=1):"; git status --short; exit 1; } >&2
	scripts/debian-root $(RELEASE_SUITE) $(RELEASE_NEEDS) -- make --no-print-directory -j$(JOBS) release-$@ $(RELEASE_VARS)

# Inside the root: each architecture's probes as released, stripped of
# symbols and of the compiler's .comment too.
stripped: $(TOOLS:%=$(T)/stripped/%) $(T)/stripped/ocicheck
$(T)/stripped/%: $(T)/bin/%
	@mkdir -p $(@D)
	$(STRIP) -R .comment -o $@ $<

release_of = $(foreach a,$(RELEASE_ARCHES),$(a)=$(if $(filter $(HOST_ARCH),$(a)),$(B),$(B)/$(a))/stripped)
release-stripped: | $(DEPS)/dist $(DEPS)/image
	$(call install_deps,$(RELEASE_ARCHES:%=build-%))
	@for a in $(RELEASE_ARCHES); do $(MAKE) --no-print-directory ARCH=$$a stripped || exit 1; done

release-dist: release-stripped
	SOURCE_DATE_EPOCH=$(SOURCE_DATE_EPOCH) COMMIT=$(COMMIT) scripts/dist $(B) \
		$(RELEASE_VERSION) $(REVISION) $(release_of)

release-image: release-stripped
	SOURCE_DATE_EPOCH=$(SOURCE_DATE_EPOCH) COMMIT=$(COMMIT) scripts/image $(B) \
		$(RELEASE_VERSION) $(release_of)

MANS := $(foreach t,$(TOOLS),tools/$(t)/$(t).1) ocicheck/ocicheck.1

install: $(BINS) $(OCICHECK)
	install -d $(DESTDIR)$(BINDIR) $(DESTDIR)$(MANDIR)/man1
	install -s --strip-program=$(STRIP) -m 0755 $(BINS) $(OCICHECK) $(DESTDIR)$(BINDIR)
	install -m 0644 $(MANS) $(DESTDIR)$(MANDIR)/man1

uninstall:
	rm -f $(TOOLS:%=$(DESTDIR)$(BINDIR)/%) $(TOOLS:%=$(DESTDIR)$(MANDIR)/man1/%.1) \
		$(DESTDIR)$(BINDIR)/ocicheck $(DESTDIR)$(MANDIR)/man1/ocicheck.1

clean:
	rm -rf $(B) dist

.PHONY: all cross check run fuzz bench bench-check bench-ocicheck dist image stripped release-stripped \
	release-dist release-image install uninstall clean

-include $(shell find $(B) -path $(B)/roots -prune -o -name '*.d' -type f -print 2>/dev/null)
