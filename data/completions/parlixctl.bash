# bash completion for parlixctl

_parlixctl()
{
    local cur prev words cword
    _init_completion 2>/dev/null || {
        cur=${COMP_WORDS[COMP_CWORD]}
        prev=${COMP_WORDS[COMP_CWORD - 1]}
        words=("${COMP_WORDS[@]}")
        cword=$COMP_CWORD
    }

    local commands="toggle start stop cancel retry settings status transcribe replace history models"
    local models="tiny.en base.en small.en medium.en large-v3-turbo large-v3"

    # The command is the first word that is not an option.
    local i command= sub=
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            -*) ;;
            *)
                if [[ -z $command ]]; then
                    command=${words[i]}
                elif [[ -z $sub ]]; then
                    sub=${words[i]}
                fi
                ;;
        esac
    done

    case $prev in
        --model | --rules | --output)
            COMPREPLY=($(compgen -f -- "$cur"))
            return
            ;;
        --format)
            COMPREPLY=($(compgen -W "txt csv json" -- "$cur"))
            return
            ;;
        --engine)
            COMPREPLY=($(compgen -W "per-clip server remote" -- "$cur"))
            return
            ;;
        --language | --prompt)
            return
            ;;
    esac

    case $command in
        "")
            COMPREPLY=($(compgen -W "$commands --verbose --help" -- "$cur"))
            ;;
        settings)
            [[ -n $sub ]] || COMPREPLY=($(compgen -W "recording model output history general about" -- "$cur"))
            ;;
        transcribe)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "--model --language --translate --prompt --engine" -- "$cur"))
            else
                COMPREPLY=($(compgen -f -X '!*.[wW][aA][vV]' -- "$cur") $(compgen -d -- "$cur"))
            fi
            ;;
        replace)
            COMPREPLY=($(compgen -W "--rules" -- "$cur"))
            ;;
        history)
            if [[ -z $sub ]]; then
                COMPREPLY=($(compgen -W "list export" -- "$cur"))
            elif [[ $sub == export ]]; then
                COMPREPLY=($(compgen -W "--format --output" -- "$cur"))
            fi
            ;;
        models)
            case $sub in
                "") COMPREPLY=($(compgen -W "list download delete select" -- "$cur")) ;;
                download | delete) COMPREPLY=($(compgen -W "$models" -- "$cur")) ;;
                select) COMPREPLY=($(compgen -W "$models" -- "$cur") $(compgen -f -- "$cur")) ;;
            esac
            ;;
    esac
}

complete -F _parlixctl parlixctl
