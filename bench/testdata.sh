# SPDX-License-Identifier: GPL-3.0-or-later
# Test data shared by the benchmark scripts (sourced, not run): Greek DOS text and a way to grow it.

# Random Greek prose from a word list, lines of about 20 to 80 characters, with the odd box-drawing rule
# (no place in 1253, so those bytes pass unchanged) and number column.
make_greek_text() {
    LC_ALL=C awk -v seed=42 -v lines="$1" 'BEGIN {
        srand(seed)
        n = split("και το η ο της του στο με για από είναι θάλασσα σπίτι ήλιος βουνό δρόμος παιδιά χωριό " \
                  "νερό καλημέρα ουρανός ψωμί φίλος ώρα έργο αύριο σήμερα χθες γράμμα βιβλίο Αθήνα " \
                  "Θεσσαλονίκη ΚΕΦΑΛΑΙΟ ΠΙΝΑΚΑΣ Ελλάδα μουσική εκκλησία πλατεία καφενείο δάσκαλος " \
                  "μαθητής αριθμός λογαριασμός ποσό δραχμές 1985 12,50 Σελίδα Άνοιξη Έλενα Ήπειρος " \
                  "Ίος Όλυμπος Ύδρα Ώρες ευχαριστώ παρακαλώ γιαγιά τραγούδι ελιές λάδι κρασί " \
                  "ΑΠΟΘΗΚΗ ΤΙΜΟΛΟΓΙΟ πελάτης προμηθευτής σύνολο ΦΠΑ", words, " ")
        for (i = 0; i < lines; i++) {
            r = rand()
            if (r < 0.02) { print "──────────────────────────────────────"; continue }
            if (r < 0.04) { print ""; continue }
            target = 40 + int(rand() * 120) # UTF-8 bytes: about 20 to 80 Greek letters
            line = words[1 + int(rand() * n)]
            while (length(line) < target)
                line = line " " words[1 + int(rand() * n)]
            print line
        }
    }' | iconv -f UTF-8 -t CP737
}

# Repeats a file until it reaches size bytes exactly.
grow() {
    local from=$1 size=$2 to=$3
    cp "$from" "$to.part"
    while (($(stat -c %s "$to.part") < size)); do
        cat "$to.part" "$to.part" >"$to.twice"
        mv "$to.twice" "$to.part"
    done
    head -c "$size" "$to.part" >"$to"
    rm -f "$to.part"
}

# make_large_files FOLDER: greek-crlf.txt (256 MiB of CR LF lines) and no-line-ends.txt (1 GiB, one line).
make_large_files() {
    local folder=$1 mib=$((1024 * 1024))
    make_greek_text 100000 >"$folder/base.txt"
    sed 's/$/\r/' "$folder/base.txt" >"$folder/base-crlf.txt"
    tr '\n' ' ' <"$folder/base.txt" >"$folder/base-flat.txt"
    grow "$folder/base-crlf.txt" $((256 * mib)) "$folder/greek-crlf.txt"
    grow "$folder/base-flat.txt" $((1024 * mib)) "$folder/no-line-ends.txt"
    rm -f "$folder"/base*.txt
}

# make_archive FOLDER [FILES]: FILES (default 20,000, a multiple of 500) files of about 4 KiB in folders of 100,
# the codepage (CP737, CP869, CP1253, ISO-8859-7, UTF-8) changing from folder to folder.
make_archive() {
    local folder=$1 files=${2:-20000} staging=$1.staging codepages=(CP737 CP869 CP1253 ISO-8859-7 UTF-8)
    local folders=$((files / 100))
    mkdir -p "$folder" "$staging"
    make_greek_text $((files * 18)) >"$staging/text.737"
    for ((k = 0; k < 5; k++)); do
        local codepage=${codepages[$k]}
        mkdir "$staging/$k"
        # -c: the frames have no place in 1253 and ISO-8859-7.
        iconv -c -f CP737 -t "$codepage" "$staging/text.737" | split -a 6 -d -C 4K --additional-suffix=.txt - "$staging/$k/f"
        local names n=0
        mapfile -t names < <(cd "$staging/$k" && ls)
        ((${#names[@]} >= files / 5)) || { echo "only ${#names[@]} files of $codepage" >&2; exit 1; }
        for ((f = k; f < folders; f += 5)); do
            mkdir "$folder/d$(printf %04d "$f")"
            (cd "$staging/$k" && mv -t "$folder/d$(printf %04d "$f")" "${names[@]:n:100}")
            n=$((n + 100))
        done
    done
    rm -rf "$staging"
    local count
    count=$(find "$folder" -type f | wc -l)
    ((count == files)) || { echo "the archive has $count files, not $files" >&2; exit 1; }
}
