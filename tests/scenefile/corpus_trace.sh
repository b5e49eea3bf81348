#!/bin/sh
# inspect_corpus_file.sh INSPECTOR DEFAULT_CORPUS NAME...: runs the inspector on
# TargetCameraAnim.3ds from the external .3ds corpus ($ORV_3DS_CORPUS, else
# DEFAULT_CORPUS). Exits 77, which ctest counts as skipped, when it is missing.
inspect=$1
dir=${ORV_3DS_CORPUS:-$2}
shift 2
file=$dir/TargetCameraAnim.3ds
if [ ! -f "$file" ]; then
  echo "no third-party .3ds corpus: $file does not exist; set ORV_3DS_CORPUS=DIR to run this test"
  exit 77
fi
exec "$inspect" "$file" "$@"
