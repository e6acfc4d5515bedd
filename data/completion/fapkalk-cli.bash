# bash completion for fapkalk-cli                              -*- shell-script -*-

_fapkalk_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local command="" word i
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
        price | range | batch | reverse)
            command=${COMP_WORDS[i]}
            break
            ;;
        esac
    done

    case $prev in
    --format)
        case $command in
        price) COMPREPLY=($(compgen -W "text fixed xls csv json pdf" -- "$cur")) ;;
        reverse) COMPREPLY=($(compgen -W "text json" -- "$cur")) ;;
        *) COMPREPLY=($(compgen -W "fixed xls csv json pdf" -- "$cur")) ;;
        esac
        return
        ;;
    -o | --output)
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -f -- "$cur"))
        return
        ;;
    --vat)
        COMPREPLY=($(compgen -W "10 13 20" -- "$cur"))
        return
        ;;
    --max-rows)
        return
        ;;
    esac

    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "price range batch reverse --help --version" -- "$cur"))
        return
    fi

    local switches="--aep --homeopathic --narcotic --veterinary --not-reimbursable --vat --format --help"
    case $command in
    price) switches+=" --explain --margins" ;;
    range) switches+=" --header --output --max-rows --margins" ;;
    batch) switches+=" --header --output --margins" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$switches" -- "$cur"))
    elif [[ $command == reverse && $prev == reverse ]]; then
        COMPREPLY=($(compgen -W "aep kp avp" -- "$cur"))
    elif [[ $command == batch ]]; then
        # The input file.
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -f -- "$cur"))
    fi
} &&
    complete -F _fapkalk_cli fapkalk-cli

# ex: filetype=sh
