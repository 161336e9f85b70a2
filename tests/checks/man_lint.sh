# Every page lints clean, warnings included.
set -e
for page in tools/*/*.1 ocicheck/ocicheck.1; do
	mandoc -T lint -W warning "$page"
done
